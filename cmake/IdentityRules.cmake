# vandrel_identity_rules(target rules_folder)
#
# Compiles the product-identity rule lists (rules_folder/product.rules,
# company.rules, version.rules) into target as byte arrays: the program
# parses them on first use (update/IdentityRules.h), and a test parses each
# one and fails on any line it cannot read. Editing a list re-runs CMake.
function(vandrel_identity_rules target rules_folder)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/IdentityRulesData.cpp)
  set(body "// Generated from ${rules_folder}; do not edit.\n#include <string_view>\n\nnamespace vandrel::identity_data {\n")
  foreach(list product company version)
    set(file ${rules_folder}/${list}.rules)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(READ ${file} hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR size "${hex_length} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
    string(REGEX REPLACE "(('[^']*',){16})" "\\1\n  " bytes "${bytes}")
    string(APPEND body "namespace {\nconst char k_${list}[${size} + 1] = {\n  ${bytes}'\\0'};\n}\n")
    string(APPEND body "extern const std::string_view k_${list}_rules(k_${list}, ${size});\n")
  endforeach()
  string(APPEND body "} // namespace vandrel::identity_data\n")
  # Written only when it changed, so a CMake run does not force a rebuild.
  file(CONFIGURE OUTPUT ${generated} CONTENT "${body}" @ONLY)
  target_sources(${target} PRIVATE ${generated})
endfunction()
