#include "update/HttpClient.h"

#include <atomic>

namespace vandrel {

namespace {
std::atomic<THttpClientFactory*> installed_factory{nullptr};
} // namespace

void SetHttpClientFactory(THttpClientFactory* factory) {
  installed_factory = factory;
}

THttpClientFactory* HttpClientFactory() {
  return installed_factory;
}

} // namespace vandrel
