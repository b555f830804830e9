# Writes the linker version script of libQLCosCtrl.so: the dynamic symbols are the members,
# virtual tables and type information of every class the public headers declare with
# QLCOS_API, and the free functions they declare (zan*, xmlGetAttribute*, StringToWChar,
# GetModuleFullPath). The objects are built with hidden visibility, so only what carries
# QLCOS_API can be exported at all; the script further keeps the standard library's template
# instantiations over exported types (vectors of configuration items, UTF-16 strings) local.
#
#   cmake -DINCLUDE_DIR=<include> -DOUTPUT=<file> -P exports.cmake
file(GLOB_RECURSE headers ${INCLUDE_DIR}/*.h)
list(SORT headers)
set(classes)
foreach(header ${headers})
  file(STRINGS ${header} lines REGEX "(class|struct) QLCOS_API [A-Za-z_]")
  foreach(line ${lines})
    string(REGEX REPLACE ".*(class|struct) QLCOS_API ([A-Za-z_0-9]+).*" "\\2" class "${line}")
    list(APPEND classes ${class})
  endforeach()
endforeach()
list(REMOVE_DUPLICATES classes)

set(text "/* Generated from the public headers by cmake/exports.cmake. */\n{\n  global:\n")
string(APPEND text "    extern \"C\" {\n      zan*;\n      PostMessageW;\n    };\n")
string(APPEND text "    extern \"C++\" {\n")
foreach(class ${classes})
  # '?' stands for the blank in the demangled names of the special symbols.
  string(APPEND text "      ${class}::*;\n      vtable?for?${class};\n      typeinfo?for?${class};\n"
                     "      typeinfo?name?for?${class};\n      *thunk?to?${class}::*;\n")
endforeach()
string(APPEND text "      zan*;\n      xmlGetAttribute*;\n      StringToWChar*;\n"
                   "      GetModuleFullPath*;\n    };\n  local:\n    *;\n};\n")
file(WRITE ${OUTPUT}.tmp "${text}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
