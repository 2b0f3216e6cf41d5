#pragma once
// The GUI thread of the Qt program: worker threads hand calls to the event
// loop and wait until they have run there.

namespace vandrel {

/// Installs the dispatcher for the jobs' Synchronize: a blocking queued
/// call into the event loop of the calling thread, which must be the Qt GUI
/// thread. An exception raised by the call is raised again in the worker.
void InstallQtMainThreadDispatcher();

} // namespace vandrel
