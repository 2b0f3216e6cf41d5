# vandrel_embed_version(target [DESCRIPTION text])
#
# Gives an executable the program's version resource: file and product
# version from project(VERSION), product name VANDREL_PRODUCT_NAME, company
# VANDREL_COMPANY_NAME, the description given (the product name when none),
# and the target's file name as internal and original name.
#
# On ELF systems the resource's bytes are built by the compiler (constexpr,
# shell/VersionResourceWriter.h) into the section ".vandrel_version", where
# shell/VersionResource.h finds them again; on Windows a VERSIONINFO
# resource script is compiled instead. Call it once per executable, after
# add_executable: vandrel-cli does; the window program calls it the same way.
set(VANDREL_VERSION_TEMPLATES ${CMAKE_CURRENT_LIST_DIR})
if(WIN32)
  enable_language(RC)
endif()

function(vandrel_embed_version target)
  cmake_parse_arguments(ARG "" "DESCRIPTION" "" ${ARGN})
  set(VERSION_DESCRIPTION "${ARG_DESCRIPTION}")
  if(NOT VERSION_DESCRIPTION)
    set(VERSION_DESCRIPTION "${VANDREL_PRODUCT_NAME}")
  endif()
  get_target_property(VERSION_INTERNAL_NAME ${target} OUTPUT_NAME)
  if(NOT VERSION_INTERNAL_NAME)
    set(VERSION_INTERNAL_NAME ${target})
  endif()
  set(VERSION_ORIGINAL_FILENAME "${VERSION_INTERNAL_NAME}${CMAKE_EXECUTABLE_SUFFIX}")
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(VERSION_${part} "${Vandrel_VERSION_${part}}")
    if(VERSION_${part} STREQUAL "")
      set(VERSION_${part} 0)
    endif()
  endforeach()
  set(VERSION_TEXT "${VERSION_MAJOR}.${VERSION_MINOR}.${VERSION_PATCH}.${VERSION_TWEAK}")
  set(VERSION_PRODUCT "${VANDREL_PRODUCT_NAME}")
  set(VERSION_COMPANY "${VANDREL_COMPANY_NAME}")
  if(WIN32)
    set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_resource.rc)
    configure_file(${VANDREL_VERSION_TEMPLATES}/VersionResource.rc.in ${generated} @ONLY)
  else()
    set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_resource.cpp)
    configure_file(${VANDREL_VERSION_TEMPLATES}/VersionResource.cpp.in ${generated} @ONLY)
  endif()
  target_sources(${target} PRIVATE ${generated})
endfunction()
