# Writes a help2man include file whose JSON OUTPUT section is the README's own description of the
# JSON the program writes, so the manual page and the README say the same from one text. Run by
# the build as
#   cmake -DREADME=<README.md> -DOUTPUT=<file> -P readme-json.cmake
# It reads the parts between "<!-- json" and "<!-- end json -->", which hold plain paragraphs,
# lists and two-column tables only, and no "<", and writes roff: a paragraph as it stands, a list
# item as a bulleted paragraph, a table row as a tagged paragraph, `code` in bold.
file(READ ${README} readme)
# A semicolon would split the lists of parts and lines.
string(REPLACE ";" "@semicolon@" readme "${readme}")
string(REGEX MATCHALL "<!-- json[^\n]*-->\n[^<]*<!-- end json -->" parts "${readme}")
if(NOT parts)
  message(FATAL_ERROR "${README} has no part marked for the manual page's JSON OUTPUT")
endif()

set(roff "[JSON OUTPUT]\n")
foreach(part ${parts})
  string(REGEX REPLACE "^<!--[^\n]*\n" "" part "${part}")
  string(REGEX REPLACE "<!-- end json -->$" "" part "${part}")
  # Shown as written: a backslash, or a dot or quote opening a line, would be read as roff.
  string(REPLACE "\\" "\\e" part "${part}")
  string(REPLACE "-" "\\-" part "${part}")
  string(REGEX REPLACE "`([^`]*)`" "\\\\fB\\1\\\\fR" part "${part}")
  string(REPLACE "\n" ";" lines "${part}")
  set(paragraph TRUE)
  set(in_table FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "^\\| ---")
      # A table's rule says nothing, and its header above it is plain from the tags.
    elseif(line MATCHES "^\\| (.*) \\| (.*) \\|$")
      if(in_table)
        string(APPEND roff ".TP\n${CMAKE_MATCH_1}\n${CMAKE_MATCH_2}\n")
      endif()
      set(in_table TRUE)
      set(paragraph TRUE)
    elseif(line STREQUAL "")
      set(paragraph TRUE)
      set(in_table FALSE)
    elseif(line MATCHES "^\\\\- (.*)$")
      string(APPEND roff ".IP \\(bu 2\n${CMAKE_MATCH_1}\n")
      set(paragraph FALSE)
    elseif(line MATCHES "^ +(.*)$")
      string(APPEND roff "${CMAKE_MATCH_1}\n")
    else()
      if(paragraph)
        string(APPEND roff ".PP\n")
        set(paragraph FALSE)
      endif()
      string(REGEX REPLACE "^([.'])" "\\\\&\\1" line "${line}")
      string(APPEND roff "${line}\n")
    endif()
  endforeach()
endforeach()
string(REPLACE "@semicolon@" ";" roff "${roff}")
file(WRITE ${OUTPUT} "${roff}")
