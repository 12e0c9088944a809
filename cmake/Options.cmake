# One interface target that carries the language level, warnings and Qt definitions for every target.
option(TEZVAL_FUZZ "build the fuzz targets (needs clang)" OFF)
add_library(tezval_options INTERFACE)
target_compile_features(tezval_options INTERFACE cxx_std_20)
target_compile_options(tezval_options INTERFACE -Wall -Wextra)
target_compile_definitions(tezval_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_USE_QSTRINGBUILDER
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    RAPIDJSON_HAS_STDSTRING=1
    BOOST_BEAST_USE_STD_STRING_VIEW
)

# Gives the tests one gtest_discover_tests call registered (their names in the variable LIST) the
# environment ENV, a list of NAME=VALUE. Its own PROPERTIES option cannot do that: it splits a list
# value into separate arguments, so only the first variable would reach the tests.
function(tezval_test_environment list env)
    set(_file "${CMAKE_CURRENT_BINARY_DIR}/${list}_environment.cmake")
    file(WRITE "${_file}" "if(${list})\n  set_tests_properties(\${${list}} PROPERTIES ENVIRONMENT [==[${env}]==])\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${_file}")
endfunction()

# Builds one test executable per source file matching PATTERN in the calling folder. Its tests run on
# SQLite; with ALSO_POSTGRESQL they are registered a second time, named with ".pg" at the end, on
# PostgreSQL (the server TEZVAL_TEST_POSTGRES names; without it the ".pg" tests are skipped). With
# PREFIX, every test's CTest name starts with it, so a family of programs can be run by name.
function(tezval_tests pattern)
    cmake_parse_arguments(T "ALSO_POSTGRESQL" "PREFIX" "LIBS" ${ARGN})
    file(GLOB _tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${pattern}")
    foreach(_src IN LISTS _tests)
        get_filename_component(_name "${_src}" NAME_WE)
        add_executable(${_name} "${_src}")
        target_link_libraries(${_name} PRIVATE tezval_options ${T_LIBS} GTest::gtest GTest::gtest_main)
        target_include_directories(${_name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
        gtest_discover_tests(${_name} DISCOVERY_TIMEOUT 60 TEST_PREFIX "${T_PREFIX}" TEST_LIST ${_name}_sqlite)
        tezval_test_environment(${_name}_sqlite "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;TEZVAL_TEST_ENGINE=sqlite")
        if(T_ALSO_POSTGRESQL)
            gtest_discover_tests(${_name} DISCOVERY_TIMEOUT 60 TEST_PREFIX "${T_PREFIX}" TEST_SUFFIX .pg TEST_LIST ${_name}_pg)
            tezval_test_environment(${_name}_pg "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;TEZVAL_TEST_ENGINE=postgresql")
        endif()
    endforeach()
endfunction()
