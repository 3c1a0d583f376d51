# Native flavour: the platform-free logic, its unit tests, the fuzz target and the authors' tool.

set(SANITIZE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(setup_pure STATIC ${PURE_SOURCES})
target_include_directories(setup_pure PUBLIC ${CMAKE_SOURCE_DIR})
project_warnings(setup_pure)

# The same logic under AddressSanitizer, for the unit tests and the fuzzer.
add_library(setup_pure_checked STATIC ${PURE_SOURCES})
target_include_directories(setup_pure_checked PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(setup_pure_checked PUBLIC ${SANITIZE_FLAGS} -g)
target_link_options(setup_pure_checked PUBLIC ${SANITIZE_FLAGS})
project_warnings(setup_pure_checked)

file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
# The picture tests write their JPEG with the decoder's companion encoder, which shifts
# negative numbers left (defined for this compiler, but not by the language).
set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/native/picture_test.cpp PROPERTIES
    COMPILE_OPTIONS "-isystem;${STB_IMAGE_DIR};-fno-sanitize=shift")
add_executable(native_tests ${NATIVE_TEST_SOURCES} ${KIT_SOURCES})
target_link_libraries(native_tests PRIVATE setup_pure_checked GTest::gtest_main)
project_warnings(native_tests)
gtest_discover_tests(native_tests TEST_PREFIX "native." DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES)

# The stub comes from the Win32 build (scripts/build builds that first); without it the tool
# needs --stub.
set(SETUP_STUB "" CACHE FILEPATH "setup.exe to build into make-installer")
make_installer_tool(setup_pure "${SETUP_STUB}")
# Runs on other distributions too: the C++ and GCC runtimes inside, only the C library shared.
target_link_options(make-installer PRIVATE -static-libstdc++ -static-libgcc)
relink_on_new_time(make-installer)
if(SETUP_STUB)
    include(${CMAKE_SOURCE_DIR}/cmake/web.cmake)
endif()
add_test(NAME kit.needed_libraries
         COMMAND ${CMAKE_SOURCE_DIR}/tests/release/needed_libraries_test.sh
                 $<TARGET_FILE:make-installer>)

# Large files: progress at a terminal, no temporary file left when the tool is stopped, and a
# screen saver at the limit in both tools where the Win32 build is known.
set(windows_tool "")
if(SETUP_STUB)
    get_filename_component(WIN32_BUILD ${SETUP_STUB} DIRECTORY)
    set(windows_tool ${CMAKE_SOURCE_DIR}/runner/wine-run --build ${WIN32_BUILD}
                     ${WIN32_BUILD}/make-installer.exe)
endif()
add_test(NAME kit.large_files COMMAND ${CMAKE_SOURCE_DIR}/tests/kit/large_files_test.sh
                                      $<TARGET_FILE:make-installer> ${windows_tool})

# The guest machine's packages come from the host's own Debian sources only.
add_test(NAME runner.host_sources COMMAND /usr/bin/python3
                                          ${CMAKE_SOURCE_DIR}/tests/runner/host_sources_test.py
                                          ${CMAKE_SOURCE_DIR}/runner/guest/host-sources)

# Signed installers run under Wine, in the prefix of the Win32 build the stub comes from.
if(SETUP_STUB)
    add_test(NAME kit.signing COMMAND ${CMAKE_SOURCE_DIR}/tests/kit/signing_test.sh
                                      $<TARGET_FILE:make-installer> ${WIN32_BUILD})
    set_tests_properties(kit.signing PROPERTIES RUN_SERIAL TRUE)
    # Both tools in both languages against the table of texts.
    add_executable(kit_language_test ${CMAKE_SOURCE_DIR}/tests/kit/language_test.cpp ${KIT_SOURCES})
    target_link_libraries(kit_language_test PRIVATE setup_pure GTest::gtest_main)
    project_warnings(kit_language_test)
    add_test(NAME kit.language COMMAND kit_language_test)
    set_tests_properties(kit.language PROPERTIES RUN_SERIAL TRUE ENVIRONMENT
        "MAKE_INSTALLER=$<TARGET_FILE:make-installer>;WINDOWS_MAKE_INSTALLER=${CMAKE_SOURCE_DIR}/runner/wine-run --build ${WIN32_BUILD} ${WIN32_BUILD}/make-installer.exe")
endif()

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # The fuzzers' own build of the logic also traps unsigned wrap-around: a size sum that wraps
    # is a fault even when no byte is read past its end.
    add_library(setup_pure_fuzz STATIC ${PURE_SOURCES})
    target_include_directories(setup_pure_fuzz PUBLIC ${CMAKE_SOURCE_DIR})
    target_compile_options(setup_pure_fuzz PUBLIC ${SANITIZE_FLAGS} -g
                           -fsanitize=unsigned-integer-overflow,fuzzer-no-link)
    target_link_options(setup_pure_fuzz PUBLIC ${SANITIZE_FLAGS} -fsanitize=unsigned-integer-overflow)
    project_warnings(setup_pure_fuzz)
    foreach(target package names)
        add_executable(${target}_fuzz ${CMAKE_SOURCE_DIR}/tests/fuzz/${target}_fuzz.cpp)
        target_compile_options(${target}_fuzz PRIVATE -fsanitize=fuzzer)
        target_link_options(${target}_fuzz PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${target}_fuzz PRIVATE setup_pure_fuzz)
        project_warnings(${target}_fuzz)
    endforeach()
    # The BMP conversion, run-length streams above all, with the kit's sources built alike.
    add_executable(picture_fuzz ${CMAKE_SOURCE_DIR}/tests/fuzz/picture_fuzz.cpp ${KIT_SOURCES})
    target_compile_options(picture_fuzz PRIVATE -fsanitize=fuzzer
                           -fsanitize-ignorelist=${CMAKE_SOURCE_DIR}/tests/fuzz/decoder_wraps.txt)
    target_link_options(picture_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_libraries(picture_fuzz PRIVATE setup_pure_fuzz)
    project_warnings(picture_fuzz)
    # The kit's reading of a file in pieces, against the whole file.
    add_executable(sources_fuzz ${CMAKE_SOURCE_DIR}/tests/fuzz/sources_fuzz.cpp ${KIT_SOURCES})
    target_compile_options(sources_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_options(sources_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_libraries(sources_fuzz PRIVATE setup_pure_fuzz)
    project_warnings(sources_fuzz)
    add_test(NAME fuzz.byte_sources COMMAND sources_fuzz -runs=40000 -max_len=4096 -seed=1)
    add_test(NAME fuzz.package_reader COMMAND package_fuzz -runs=400000 -max_len=4096 -seed=1)
    add_test(NAME fuzz.bmp_pictures COMMAND picture_fuzz -runs=400000 -max_len=4096 -seed=1)
    # What longer runs found, replayed on every run: a bounded run may never reach them again.
    file(GLOB FOUND_PICTURES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/found/picture/*)
    add_test(NAME fuzz.bmp_pictures_found COMMAND picture_fuzz ${FOUND_PICTURES})
    add_test(NAME fuzz.names_and_splash_guard COMMAND names_fuzz -runs=400000 -max_len=600 -seed=1)
endif()

add_test(NAME style.clang_format COMMAND ${CMAKE_SOURCE_DIR}/tests/check_format.sh)
