# Rewrites the import library of a 32-bit DLL so that callers can link to its
# stdcall exports.
#
# The .def names exports undecorated (the export table must carry plain names),
# so ld writes an import library with plain symbols, while a caller compiled
# against the WINAPI declarations asks for _name@N. We look the decorated name
# of each export up in the DLL's objects and let dlltool write an import
# library with _name@N symbols that import the plain name (--kill-at).
#
#   cmake -DDEF=<file.def> -DDLL=<name.dll> -DOUT=<lib.dll.a> -DNM=<nm>
#         -DDLLTOOL=<dlltool> -DWORK=<dir> -P TbImplib.cmake <objects>...
set(objects)
set(collect OFF)
foreach(i RANGE ${CMAKE_ARGC})
  if(collect AND DEFINED CMAKE_ARGV${i})
    list(APPEND objects "${CMAKE_ARGV${i}}")
  elseif("${CMAKE_ARGV${i}}" STREQUAL "--")
    set(collect ON)
  endif()
endforeach()

execute_process(COMMAND ${NM} --defined-only ${objects}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${objects}")
endif()

file(STRINGS ${DEF} lines)
set(out "LIBRARY ${DLL}\nEXPORTS\n")
set(in_exports OFF)
foreach(line IN LISTS lines)
  string(REGEX REPLACE ";.*" "" line "${line}")
  string(STRIP "${line}" line)
  if(line STREQUAL "")
    continue()
  elseif(line MATCHES "^EXPORTS")
    set(in_exports ON)
    continue()
  elseif(NOT in_exports OR line MATCHES "^(LIBRARY|NAME|DESCRIPTION|VERSION|HEAPSIZE|STACKSIZE|SECTIONS)")
    continue()
  endif()
  # "name [@ordinal] [NONAME|DATA|PRIVATE...]"
  string(REGEX MATCH "^[A-Za-z_][A-Za-z0-9_]*" name "${line}")
  string(SUBSTRING "${line}" 0 -1 rest)
  string(REGEX REPLACE "^[A-Za-z_][A-Za-z0-9_]*" "" rest "${rest}")
  if(symbols MATCHES "[ \t]_${name}@([0-9]+)\n")
    string(APPEND out "    ${name}@${CMAKE_MATCH_1}${rest}\n")
  else()
    string(APPEND out "    ${name}${rest}\n")
  endif()
endforeach()

file(WRITE ${WORK}/decorated.def "${out}")
execute_process(COMMAND ${DLLTOOL} --dllname ${DLL} --def ${WORK}/decorated.def
                        --kill-at --output-lib ${OUT}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} failed to write ${OUT}")
endif()
