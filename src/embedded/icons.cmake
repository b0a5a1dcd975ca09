# The icon archive: the committed pictures of data/icons packed into one constant at build time.
# The record order is the one the program has always carried: b26, b27, b0 to b25, b28 to b31.
set(lanchuan_icon_names b26 b27)
foreach(code RANGE 0 25)
    list(APPEND lanchuan_icon_names b${code})
endforeach()
list(APPEND lanchuan_icon_names b28 b29 b30 b31)

set(lanchuan_icon_files "")
foreach(name ${lanchuan_icon_names})
    list(APPEND lanchuan_icon_files ${PROJECT_SOURCE_DIR}/data/icons/${name}.gif)
endforeach()
string(REPLACE ";" "," lanchuan_icon_name_arg "${lanchuan_icon_names}")

set(lanchuan_icon_pack ${PROJECT_SOURCE_DIR}/data/tools/icons/pack_icons.cmake)
set(lanchuan_icon_archive_cpp ${CMAKE_CURRENT_BINARY_DIR}/icon_archive_data.cpp)
add_custom_command(
    OUTPUT ${lanchuan_icon_archive_cpp}
    COMMAND ${CMAKE_COMMAND} -DICON_FOLDER=${PROJECT_SOURCE_DIR}/data/icons
            -DICON_NAMES=${lanchuan_icon_name_arg} -DOUTPUT=${lanchuan_icon_archive_cpp}
            -P ${lanchuan_icon_pack}
    DEPENDS ${lanchuan_icon_files} ${lanchuan_icon_pack}
    COMMENT "Packing the 32 weather icons"
    VERBATIM)

target_sources(lanchuan_embedded PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/icon_archive.cpp
    ${lanchuan_icon_archive_cpp}
)
