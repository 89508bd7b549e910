# vr_embed_files(<output.cpp> <namespace> <function> <file> <installed-name> ...)
# Writes a C++ source whose function returns each file's bytes with the relative path it is
# installed under, so a Qt-free library can carry artwork without a resource system. The files
# are read at configure time; editing one re-runs the configure step.
function(vr_embed_files output ns function)
  set(entries "")
  set(arrays "")
  set(index 0)
  set(args ${ARGN})
  list(LENGTH args count)
  while(index LESS count)
    list(GET args ${index} file)
    math(EXPR next "${index} + 1")
    list(GET args ${next} installed)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(READ ${file} hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR size "${hex_length} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND arrays "const unsigned char kFile${index}[] = {${bytes}};\n")
    string(APPEND entries "      {\"${installed}\", std::string_view(reinterpret_cast<const char*>(kFile${index}), ${size})},\n")
    math(EXPR index "${index} + 2")
  endwhile()
  file(CONFIGURE OUTPUT ${output} CONTENT "// Made by vr_embed_files: do not edit.
#include <string_view>
#include <utility>
#include <vector>

namespace ${ns} {
namespace {
${arrays}
}  // namespace

std::vector<std::pair<std::string_view, std::string_view>> ${function}() {
  return {
${entries}  };
}

}  // namespace ${ns}
" @ONLY)
endfunction()
