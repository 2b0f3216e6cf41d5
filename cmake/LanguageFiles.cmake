# vandrel_language_files(po_folder): builds one language file per PO file of
# po_folder with vandrel-lang. A PO file names its language in its header
# ("X-Vandrel-LangId: 040C", optionally "X-Vandrel-Variant: 1"), which gives
# the file name Vandrel_<variant><langid>.SPK. The files land beside the
# program (the GUI when it is built, else in <build>/lang), where a build
# tree looks for them, and install into share/vandrel, each by its name (a
# template that "vandrel -co" leaves beside the program stays out).
function(vandrel_language_files po_folder)
  file(GLOB po_files CONFIGURE_DEPENDS ${po_folder}/*.po)
  # A custom command's output cannot name a target's folder, so it is
  # worked out here.
  if(TARGET vandrel)
    get_target_property(output_dir vandrel RUNTIME_OUTPUT_DIRECTORY)
    if(NOT output_dir)
      get_target_property(output_dir vandrel BINARY_DIR)
    endif()
  else()
    set(output_dir ${CMAKE_BINARY_DIR}/lang)
  endif()
  set(outputs)
  foreach(po IN LISTS po_files)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${po})
    file(STRINGS ${po} lang_line REGEX "^\"X-Vandrel-LangId: *[0-9A-Fa-f]+")
    file(STRINGS ${po} variant_line REGEX "^\"X-Vandrel-Variant: *[0-9]+")
    if(NOT lang_line)
      message(FATAL_ERROR "${po}: the header has no X-Vandrel-LangId field")
    endif()
    string(REGEX REPLACE "^\"X-Vandrel-LangId: *([0-9A-Fa-f]+).*" "\\1" lang_id "${lang_line}")
    string(TOUPPER "${lang_id}" lang_id)
    string(LENGTH "${lang_id}" length)
    while(length LESS 4)
      string(PREPEND lang_id "0")
      string(LENGTH "${lang_id}" length)
    endwhile()
    set(variant 0)
    if(variant_line)
      string(REGEX REPLACE "^\"X-Vandrel-Variant: *([0-9]+).*" "\\1" variant "${variant_line}")
    endif()
    math(EXPR variant "${variant}" OUTPUT_FORMAT HEXADECIMAL)
    string(REGEX REPLACE "^0x" "" variant "${variant}")
    string(TOUPPER "${variant}" variant)
    string(LENGTH "${variant}" length)
    while(length LESS 4)
      string(PREPEND variant "0")
      string(LENGTH "${variant}" length)
    endwhile()
    set(spk ${output_dir}/Vandrel_${variant}${lang_id}.SPK)
    add_custom_command(OUTPUT ${spk}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
      COMMAND vandrel-lang to-spk ${po} -o ${spk}
      DEPENDS vandrel-lang ${po}
      COMMENT "Language file ${spk} from ${po}"
      VERBATIM)
    list(APPEND outputs ${spk})
    install(FILES ${spk} DESTINATION ${CMAKE_INSTALL_DATADIR}/vandrel)
  endforeach()
  add_custom_target(vandrel_language_files ALL DEPENDS ${outputs})
endfunction()
