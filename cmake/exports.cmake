# Writes the linker version script of libQLCosCtrl.so from the public headers: the dynamic
# symbols are the members, virtual tables and type information of every class they declare
# with QLCOS_API, and every free function they declare with QLCOS_API. The objects are built
# with hidden visibility, so only what carries QLCOS_API can be exported at all; the script
# further keeps the standard library's template instantiations over exported types (vectors
# of configuration items, UTF-16 strings) local.
#
#   cmake "-DINCLUDE_DIRS=<include>;<generated include>" -DOUTPUT=<file> -P exports.cmake
set(headers)
foreach(dir ${INCLUDE_DIRS})
  file(GLOB_RECURSE found ${dir}/*.h)
  list(APPEND headers ${found})
endforeach()
list(SORT headers)
set(classes)
set(functions)
foreach(header ${headers})
  file(STRINGS ${header} lines REGEX "QLCOS_API")
  foreach(line ${lines})
    if(line MATCHES "#[ ]*define")
      continue()
    elseif(line MATCHES "(class|struct) QLCOS_API ([A-Za-z_0-9]+)")
      list(APPEND classes ${CMAKE_MATCH_2})
    elseif(line MATCHES "QLCOS_API[^(;]*[^A-Za-z_0-9]([A-Za-z_][A-Za-z_0-9]*) *\\(")
      list(APPEND functions ${CMAKE_MATCH_1})
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES classes)
list(REMOVE_DUPLICATES functions)

set(text "/* Generated from the public headers by cmake/exports.cmake. */\n{\n  global:\n")
string(APPEND text "    extern \"C\" {\n")
foreach(function ${functions})
  string(APPEND text "      ${function};\n")
endforeach()
string(APPEND text "    };\n    extern \"C++\" {\n")
foreach(function ${functions})
  # A C++ function with its parameters: "name(...)" ('(' cannot be written in the script).
  string(APPEND text "      ${function}?*;\n")
endforeach()
foreach(class ${classes})
  # '?' stands for the blank in the demangled names of the special symbols.
  string(APPEND text "      ${class}::*;\n      vtable?for?${class};\n      typeinfo?for?${class};\n"
                     "      typeinfo?name?for?${class};\n      *thunk?to?${class}::*;\n")
endforeach()
string(APPEND text "    };\n  local:\n    *;\n};\n")
file(WRITE ${OUTPUT}.tmp "${text}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
