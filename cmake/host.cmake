# Native flavour: the platform-free logic, its unit tests, the fuzz target and the authors' tool.

set(SANITIZE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(setup_pure STATIC ${PURE_SOURCES} ${CMAKE_SOURCE_DIR}/support/lead_byte_cp932.cpp)
target_include_directories(setup_pure PUBLIC ${CMAKE_SOURCE_DIR})
project_warnings(setup_pure)

# The same logic under AddressSanitizer, for the unit tests and the fuzzer.
add_library(setup_pure_checked STATIC ${PURE_SOURCES} ${CMAKE_SOURCE_DIR}/support/lead_byte_cp932.cpp)
target_include_directories(setup_pure_checked PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(setup_pure_checked PUBLIC ${SANITIZE_FLAGS} -g)
target_link_options(setup_pure_checked PUBLIC ${SANITIZE_FLAGS})
project_warnings(setup_pure_checked)

file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${NATIVE_TEST_SOURCES})
target_link_libraries(native_tests PRIVATE setup_pure_checked GTest::gtest_main)
project_warnings(native_tests)
gtest_discover_tests(native_tests TEST_PREFIX "native." DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES)

add_executable(make-installer ${CMAKE_SOURCE_DIR}/tools/make_installer.cpp)
target_link_libraries(make-installer PRIVATE setup_pure)
project_warnings(make-installer)

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(package_fuzz ${CMAKE_SOURCE_DIR}/tests/fuzz/package_fuzz.cpp)
    target_compile_options(package_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_options(package_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_libraries(package_fuzz PRIVATE setup_pure_checked)
    project_warnings(package_fuzz)
    add_test(NAME fuzz.package_reader
             COMMAND package_fuzz -runs=400000 -max_len=4096 -seed=1)
endif()

add_test(NAME style.clang_format COMMAND ${CMAKE_SOURCE_DIR}/tests/check_format.sh)
