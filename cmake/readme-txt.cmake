# Writes README.txt for the package: the user's part of README.md (what the
# program does, its exit statuses, the batch example and what matches),
# everything before "## Building and testing", as plain text with CRLF line
# ends for Notepad. Fenced code blocks lose their fences and are indented.
#
# cmake -DREADME=README.md -DOUTPUT=README.txt -P readme-txt.cmake
cmake_minimum_required(VERSION 3.20)

file(STRINGS ${README} _lines)
set(_text "")
set(_in_code FALSE)
set(_found_end FALSE)
foreach(_line IN LISTS _lines)
  if(_line STREQUAL "## Building and testing")
    set(_found_end TRUE)
    break()
  endif()
  if(_line MATCHES "^```")
    if(_in_code)
      set(_in_code FALSE)
    else()
      set(_in_code TRUE)
    endif()
    continue()
  endif()
  if(_in_code AND NOT _line STREQUAL "")
    string(APPEND _text "    ${_line}\r\n")
  else()
    string(APPEND _text "${_line}\r\n")
  endif()
endforeach()
if(NOT _found_end)
  message(FATAL_ERROR "${README} has no \"## Building and testing\" heading to end the user's part")
endif()
# No blank lines after the last paragraph.
string(REGEX REPLACE "(\r\n)+$" "\r\n" _text "${_text}")
file(WRITE ${OUTPUT} "${_text}")
