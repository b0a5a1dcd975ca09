# Tests of the icon archive: its bytes against data/icons, the pictures, and the unpacking.
add_executable(test_icons
    icons_archive_test.cpp
    icons_unpack_test.cpp
)
target_compile_definitions(test_icons PRIVATE
    LANCHUAN_ICON_FOLDER="${PROJECT_SOURCE_DIR}/data/icons")
target_link_libraries(test_icons PRIVATE lanchuan_embedded GTest::gtest_main)
gtest_discover_tests(test_icons)
