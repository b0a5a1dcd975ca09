# Packs the weather pictures into a C++ source that defines an archive of them; run with cmake -P.
# The program and the weather site both carry their pictures this way.
#   -DICON_FOLDER=<folder of the .gif files>  -DICON_NAMES=b26,b27,...  -DOUTPUT=<file.cpp>
#   -DSYMBOL=<name of the std::string_view defined>  -DHEADER=<header that declares it>
# Each record: the picture's bytes, "/varnel_name/", its file name, "/varnel_end/".
cmake_minimum_required(VERSION 3.25)

foreach(var ICON_FOLDER ICON_NAMES OUTPUT SYMBOL HEADER)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "pack_icons: ${var} is not set")
    endif()
endforeach()

string(HEX "/varnel_name/" name_separator)
string(HEX "/varnel_end/" end_separator)
string(REPLACE "," ";" names "${ICON_NAMES}")

set(archive "")
foreach(name ${names})
    set(file "${ICON_FOLDER}/${name}.gif")
    file(READ "${file}" picture HEX)
    if(picture STREQUAL "")
        message(FATAL_ERROR "pack_icons: ${file} is empty")
    endif()
    # The records are found only by their separators, so a picture must not hold one. Match on
    # byte boundaries (pairs of hex digits) only.
    foreach(separator ${name_separator} ${end_separator})
        if(picture MATCHES "^(..)*${separator}")
            message(FATAL_ERROR "pack_icons: ${file} contains an archive separator")
        endif()
    endforeach()
    string(HEX "${name}.gif" file_name)
    string(APPEND archive "${picture}${name_separator}${file_name}${end_separator}")
endforeach()

string(LENGTH "${archive}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
# Character literals rather than one string literal: no compiler limit on a literal's length,
# and a char array can hold bytes of 0x80 and above without narrowing.
# 16 bytes (32 hex digits) to a line.
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])"
       "\\1 " bytes "${archive}")
string(REGEX REPLACE "([^ ]+ [^ ]+ [^ ]+ [^ ]+) " "\\1\n" bytes "${bytes}")
string(REPLACE " " "" bytes "${bytes}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${bytes}")
string(REPLACE "\n" "\n    " bytes "${bytes}")

file(WRITE "${OUTPUT}.tmp"
"// Generated from data/icons by data/tools/icons/pack_icons.cmake; do not edit.
#include \"${HEADER}\"

namespace {
constexpr char ArchiveBytes[${byte_count}] = {
    ${bytes}
};
}  // namespace

const std::string_view ${SYMBOL}(ArchiveBytes, sizeof ArchiveBytes);
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
