# Writes a help2man include file with every command's own --help, so that the manual page holds
# the options and arguments of each command, not only the program's. Run by the build as
#   cmake -DPROGRAM=<tarvellon-flash> -DOUTPUT=<file> -P command-help.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)
# The commands are the lines of the "Commands:" block that start with a name; `help` gives the
# program's help again, which the page holds already.
string(REGEX MATCH "\nCommands:\n([^\n]+\n)+" commands "${help}")
string(REGEX MATCHALL "\n  [a-z][a-z-]*" names "${commands}")
list(REMOVE_ITEM names "\n  help")
if(NOT names)
  message(FATAL_ERROR "${PROGRAM} --help lists no commands")
endif()

set(text "[COMMANDS]\n")
foreach(name ${names})
  string(STRIP "${name}" name)
  execute_process(COMMAND ${PROGRAM} ${name} --help OUTPUT_VARIABLE page
    COMMAND_ERROR_IS_FATAL ANY)
  # The exit codes are the program's, and have their place in the page already.
  string(REGEX REPLACE "\n\nExit codes:\n(.|\n)*" "\n" page "${page}")
  # Shown as written; a backslash, or a dot or quote opening a line, would be read as roff.
  string(REPLACE "\\" "\\e" page "${page}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" page "${page}")
  string(APPEND text ".SS ${name}\n.nf\n${page}.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")
