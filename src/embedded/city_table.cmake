# The city table: a host tool turns data/cities.tsv and the site base into GBK INI bytes, written
# as a source of lanchuan_embedded that defines CityTableData.
add_executable(make_city_table ${PROJECT_SOURCE_DIR}/data/tools/make_city_table.cpp)
target_include_directories(make_city_table PRIVATE ${PROJECT_SOURCE_DIR}/src)

set(LANCHUAN_CITY_ROWS ${PROJECT_SOURCE_DIR}/data/cities.tsv)
set(city_table_source ${CMAKE_CURRENT_BINARY_DIR}/generated/city_table_data.cpp)
add_custom_command(
    OUTPUT ${city_table_source}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generated
    COMMAND make_city_table ${LANCHUAN_CITY_ROWS} ${LANCHUAN_SITE_BASE} ${city_table_source}
    DEPENDS make_city_table ${LANCHUAN_CITY_ROWS} ${PROJECT_SOURCE_DIR}/src/embedded/city_sections.h
    COMMENT "Building the city table from data/cities.tsv"
    VERBATIM)
target_sources(lanchuan_embedded PRIVATE ${city_table_source})
