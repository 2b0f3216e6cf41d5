# cmake -DPROGRAM=exe -DOUTPUT=file -P ManualSections.cmake
#
# Writes a help2man include file with a COMMANDS section holding the
# --help of each command that "PROGRAM --help" lists as
# "  <program> NAME ...".
get_filename_component(name ${PROGRAM} NAME)
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE overview RESULT_VARIABLE status)
set(text "")
if(status EQUAL 0)
  string(REGEX MATCHALL "\n  ${name} [^ \n]+" usage_lines "\n${overview}")
  foreach(line IN LISTS usage_lines)
    string(REGEX REPLACE "^\n  ${name} " "" command "${line}")
    if(command MATCHES "^-")
      continue()
    endif()
    execute_process(COMMAND ${PROGRAM} ${command} --help OUTPUT_VARIABLE help
                    RESULT_VARIABLE command_status)
    if(NOT command_status EQUAL 0)
      message(FATAL_ERROR "${PROGRAM} ${command} --help failed")
    endif()
    # roff: a leading dot or quote would be read as a request, and a
    # backslash as an escape.
    string(REPLACE "\\" "\\e" help "${help}")
    string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" help "\n${help}")
    string(APPEND text ".SS \"${command}\"\n.nf\n${help}\n.fi\n")
  endforeach()
endif()
if(text)
  set(text "[COMMANDS]\n${text}")
endif()
file(WRITE ${OUTPUT} "${text}")
