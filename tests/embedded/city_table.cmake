# Tests of the city table: its bytes against every rule the readers rely on and against
# data/cities.tsv, reading it back through IniRead, and the build tool refusing bad rows.

# The rows of data/cities.tsv as C++ initialisers; the compiler turns the names into GBK.
set(city_rows_file ${PROJECT_SOURCE_DIR}/data/cities.tsv)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${city_rows_file})
set(city_rows_inc "")
if(EXISTS ${city_rows_file})
    file(STRINGS ${city_rows_file} city_rows ENCODING UTF-8)
    foreach(line IN LISTS city_rows)
        string(REPLACE "\t" "\", \"" line "${line}")
        string(APPEND city_rows_inc "    {\"${line}\"},\n")
    endforeach()
endif()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/city_table_rows/city_table_rows.inc
     CONTENT "${city_rows_inc}" @ONLY)

add_executable(test_city_table
    city_table_bytes_test.cpp
    city_table_ini_test.cpp
)
target_include_directories(test_city_table PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/city_table_rows)
target_compile_definitions(test_city_table PRIVATE LANCHUAN_SITE_BASE="${LANCHUAN_SITE_BASE}")
target_link_libraries(test_city_table PRIVATE lanchuan_embedded GTest::gtest_main)
gtest_discover_tests(test_city_table)

# The build tool on the real rows with one more row appended: it takes a good one and refuses
# each bad one with its own message.
file(READ ${city_rows_file} city_rows_text)
list(LENGTH city_rows city_rows_count)
math(EXPR appended_line "${city_rows_count} + 1")
set(tool_dir ${CMAKE_CURRENT_BINARY_DIR}/city_table_tool)
function(city_table_tool_case name extra_row pass_regex)
    file(CONFIGURE OUTPUT ${tool_dir}/${name}.tsv CONTENT "${city_rows_text}${extra_row}\n" @ONLY)
    add_test(NAME city_table_tool_${name}
             COMMAND make_city_table ${tool_dir}/${name}.tsv ${LANCHUAN_SITE_BASE}
                     ${tool_dir}/${name}.cpp)
    if(pass_regex STREQUAL "")
        return()
    endif()
    # The tool must fail, and with the message that names the row's fault.
    set_tests_properties(city_table_tool_${name} PROPERTIES WILL_FAIL TRUE)
    add_test(NAME city_table_tool_${name}_message
             COMMAND make_city_table ${tool_dir}/${name}.tsv ${LANCHUAN_SITE_BASE}
                     ${tool_dir}/${name}.cpp)
    set_tests_properties(city_table_tool_${name}_message PROPERTIES
                         PASS_REGULAR_EXPRESSION "${name}.tsv:${appended_line}: ${pass_regex}")
endfunction()
city_table_tool_case(takes_good_row "重庆\t新城\tXinCheng" "")
city_table_tool_case(refuses_unknown_province "火星\t新城\tXinCheng" "unknown province")
city_table_tool_case(refuses_section_coming_back "北京\t新城\tXinCheng" "unknown province")
city_table_tool_case(refuses_two_fields "重庆\t新城" "expected province, city and page")
city_table_tool_case(refuses_comma_in_name "重庆\t新,城\tXinCheng" "empty city name")
city_table_tool_case(refuses_slash_in_page "重庆\t新城\tXin/Cheng" "page name must be")
city_table_tool_case(refuses_name_without_gbk "重庆\t新城😀\tXinCheng" "a name has no GBK form")
