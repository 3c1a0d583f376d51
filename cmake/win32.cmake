# Win32 flavour: setup.exe and the test programs, which ctest runs under Wine through
# runner/wine-run (private prefix and X display of this build folder, see runner/wine-env),
# natively or in the guest machine.

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/runner/wine-run --build ${CMAKE_BINARY_DIR})
set(WINE_RUN ${CMAKE_SOURCE_DIR}/runner/wine-run --build ${CMAKE_BINARY_DIR})

# The installer stays a small program: no exceptions, no RTTI, no unwind tables, nothing of
# the heavy library. No per-object data sections: this compiler would put zero-filled
# variables in them into initialised data. Arguments are pushed rather than stored, which
# needs stack probes off: no frame may then reach a page, or it could skip the stack's guard
# page, hence the frame limit. The system keeps the stack 4-byte aligned, which is all this
# code needs. No frame pointer: this compiler keeps one by default, a tenth of the code.
# Optimised as one program at link time (a sixth smaller); the objects keep their ordinary
# code too, for the test programs that link them.
set(STUB_FLAGS -Os -fno-exceptions -fno-rtti -ffunction-sections -fno-asynchronous-unwind-tables
    -fno-unwind-tables -fno-threadsafe-statics -fno-ident -mno-stack-arg-probe
    -fomit-frame-pointer -Wframe-larger-than=4000 -mpreferred-stack-boundary=2 -flto
    -ffat-lto-objects)

add_library(setup_core STATIC ${PURE_SOURCES} ${INSTALLER_WIN32_SOURCES})
target_include_directories(setup_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(setup_core PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
target_compile_options(setup_core PRIVATE ${STUB_FLAGS})
project_warnings(setup_core)

# The icon is drawn by a script, so it can be changed; the resource compiler finds it here.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/resources/app.ico
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/resources/make_icon.py
            ${CMAKE_BINARY_DIR}/resources/app.ico
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/make_icon.py)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/resources/compact.manifest
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/resources/compact_manifest.py
            ${CMAKE_SOURCE_DIR}/resources/setup.manifest ${CMAKE_BINARY_DIR}/resources/compact.manifest
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/compact_manifest.py ${CMAKE_SOURCE_DIR}/resources/setup.manifest)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/setup.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/resources/app.ico;${CMAKE_BINARY_DIR}/resources/compact.manifest;${CMAKE_SOURCE_DIR}/resources/version.h")

# No C runtime: its own entry point, the few C functions it calls from c_library_win.cpp (kept
# as loops: the compiler must not turn them back into calls of themselves, and out of the
# link-time optimisation, which would drop them before its own code calls them), libgcc for 64-bit
# division and stack probes, and the four system DLLs.
set_source_files_properties(${CMAKE_SOURCE_DIR}/support/c_library_win.cpp PROPERTIES
    COMPILE_OPTIONS "-fno-builtin;-fno-tree-loop-distribute-patterns;-fno-lto")
function(stub_program name)
    add_executable(${name} WIN32 ${ARGN}
        ${CMAKE_SOURCE_DIR}/installer/main_win.cpp
        ${CMAKE_SOURCE_DIR}/support/c_library_win.cpp
        ${CMAKE_SOURCE_DIR}/resources/setup.rc
        ${CMAKE_SOURCE_DIR}/support/memblock.def)
    set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON)
    target_compile_options(${name} PRIVATE ${STUB_FLAGS})
    target_include_directories(${name} PRIVATE ${CMAKE_BINARY_DIR}/resources)
    target_link_libraries(${name} PRIVATE setup_core)
    # It registers no exception handler and says so (NO_SEH), may load at any address (ASLR,
    # hence the relocations) and keeps data out of execution (NX).
    target_link_options(${name} PRIVATE -flto -Os -nostdlib -s -Wl,--gc-sections
        -Wl,--subsystem,windows -Wl,-e,_SetupEntry@0 -Wl,--no-seh -Wl,--dynamicbase -Wl,--nxcompat -Wl,--enable-reloc-section)
    relink_on_new_time(${name})
    target_link_libraries(${name} PRIVATE kernel32 user32 gdi32 advapi32 gcc)
    project_warnings(${name})
endfunction()
stub_program(setup)
# The same installer, but the desktop belongs to another account: its own ReadDesktopUser comes
# before the library's. The end-to-end tests show that the registration asks.
stub_program(setup-foreign-desktop ${CMAKE_SOURCE_DIR}/tests/fixtures/foreign_desktop_user_win.cpp)

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

function(win32_test_program name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE setup_core GTest::gtest_main)
    # Static, so Wine needs no libstdc++, libgcc or winpthread DLL beside the program.
    target_link_options(${name} PRIVATE -static)
    project_warnings(${name})
endfunction()

file(GLOB WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
win32_test_program(win32_tests ${WIN32_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/runner/installer_driver_win.cpp
                   ${KIT_SOURCES})
target_link_libraries(win32_tests PRIVATE version)
add_dependencies(win32_tests setup)
# Listing the tests takes a Wine start, several seconds in an emulated guest.
gtest_discover_tests(win32_tests TEST_PREFIX "win32." DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES
    DISCOVERY_TIMEOUT 120 TEST_FILTER "-Registration.*"
    PROPERTIES ENVIRONMENT "SETUP_EXE=$<TARGET_FILE:setup>")
# The registration tests set the one user's screen saver in system.ini and the registry and
# tell every window so: two at once see each other's writes and messages.
gtest_discover_tests(win32_tests TEST_PREFIX "win32." DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES
    DISCOVERY_TIMEOUT 120 TEST_FILTER "Registration.*"
    PROPERTIES ENVIRONMENT "SETUP_EXE=$<TARGET_FILE:setup>" RESOURCE_LOCK user_screen_saver)

file(GLOB E2E_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
# With the authors' tool's logic, so a test turns BMP files into splash pictures as it does.
win32_test_program(e2e_tests ${E2E_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/runner/installer_driver_win.cpp
                   ${KIT_SOURCES})
add_dependencies(e2e_tests setup setup-foreign-desktop)
gtest_discover_tests(e2e_tests TEST_PREFIX "e2e." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "SETUP_EXE=$<TARGET_FILE:setup>"
               RUN_SERIAL TRUE)

# The same installer, and its removal, in a 64-bit prefix, where a 32-bit program runs under WOW64.
add_test(NAME wow64.e2e COMMAND ${WINE_RUN} --win64 $<TARGET_FILE:e2e_tests>
                                --gtest_filter=*SystemFolder*:Removal.*)
set_tests_properties(wow64.e2e PROPERTIES
    ENVIRONMENT "SETUP_EXE=$<TARGET_FILE:setup>"
    RUN_SERIAL TRUE)
# There the system looks for a policy's screen saver past the 32-bit view of the system folder.
add_test(NAME wow64.registration COMMAND ${WINE_RUN} --win64 $<TARGET_FILE:win32_tests>
                                         --gtest_filter=Registration.APolicy*)
set_tests_properties(wow64.registration PROPERTIES RESOURCE_LOCK user_screen_saver)

# Under an English locale, whose code page is 1252: the boxes, titles and fonts must read as
# under the Japanese one.
add_test(NAME locale-en_US.e2e COMMAND ${WINE_RUN} $<TARGET_FILE:e2e_tests>
                                       --gtest_filter=Screen.*:Install.JapaneseNames*)
add_test(NAME locale-en_US.win32 COMMAND ${WINE_RUN} $<TARGET_FILE:win32_tests>
                                         --gtest_filter=ProgressScreen.*:Boxes.*)
set_tests_properties(locale-en_US.e2e locale-en_US.win32 PROPERTIES
    ENVIRONMENT "SETUP_EXE=$<TARGET_FILE:setup>;WINE_RUN_LANG=en_US.UTF-8" RUN_SERIAL TRUE)

# Runs on displays of their own: the display check under a palette display of 8 bits per pixel
# and under 16 bits, and the screen one pixel wider than 1024, where the title font grows.
foreach(run "1024x768x8 DisplayCheck.*" "1024x768x16 DisplayCheck.*"
            "1025x768x24 DisplayCheck.*:Screen.*")
    separate_arguments(run)
    list(GET run 0 screen)
    list(GET run 1 filter)
    add_test(NAME screen-${screen}.e2e
             COMMAND ${WINE_RUN} --screen ${screen} $<TARGET_FILE:e2e_tests>
                     --gtest_filter=${filter})
    set_tests_properties(screen-${screen}.e2e PROPERTIES
        ENVIRONMENT "SETUP_EXE=$<TARGET_FILE:setup>" RUN_SERIAL TRUE)
endforeach()

# A failing program is reported as failing through every way the runner takes (the short guest
# check of scripts/test runs it too). --alt and --screen share one prefix, so it runs alone.
add_test(NAME runner.exit_status
         COMMAND ${CMAKE_SOURCE_DIR}/tests/runner/exit_status_test.sh ${WINE_RUN})
set_tests_properties(runner.exit_status PROPERTIES RUN_SERIAL TRUE)

# What the built program is made of: imports, exports, no whole marker in its bytes, its
# hardening and its size.
add_test(NAME setup.binary_shape
         COMMAND ${CMAKE_SOURCE_DIR}/tests/check_binary.sh $<TARGET_FILE:setup>)

# The same commit gives the same bytes, wherever and whenever it is built.
add_test(NAME setup.second_build
         COMMAND ${CMAKE_SOURCE_DIR}/tests/release/second_build_test.sh ${CMAKE_SOURCE_DIR}
                 $<TARGET_FILE:setup>)

# The authors' tool built twice: make-installer.exe under Wine against build/host's native one.
add_test(NAME kit.parity
         COMMAND ${CMAKE_SOURCE_DIR}/tests/kit/parity_test.sh ${CMAKE_BINARY_DIR}/../host/make-installer
                 ${CMAKE_SOURCE_DIR}/samples/starlight-splash.bmp ${WINE_RUN}
                 $<TARGET_FILE:make-installer>)
add_test(NAME kit.drop
         COMMAND ${CMAKE_SOURCE_DIR}/tests/kit/drop_test.sh
                 ${CMAKE_SOURCE_DIR}/samples/starlight-splash.bmp ${WINE_RUN} $<TARGET_FILE:make-installer>)

# The sample screen saver that the demo and the README use.
add_executable(starlight WIN32 ${CMAKE_SOURCE_DIR}/samples/starlight_win.cpp)
set_target_properties(starlight PROPERTIES SUFFIX ".scr")
target_compile_options(starlight PRIVATE -Os)
target_link_options(starlight PRIVATE -static -s)
relink_on_new_time(starlight)
project_warnings(starlight)
# The same built for x64, as most screen savers are today: a 64-bit Windows must start it from
# its own System32. Only the end-to-end tests use it.
find_program(MINGW_X64_CXX NAMES x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++ REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/starlight64.scr
    COMMAND ${MINGW_X64_CXX} -Os -static -s -mwindows -Wall -Wextra -Werror
            -Wl,--no-insert-timestamp -o ${CMAKE_BINARY_DIR}/starlight64.scr
            ${CMAKE_SOURCE_DIR}/samples/starlight_win.cpp
    DEPENDS ${CMAKE_SOURCE_DIR}/samples/starlight_win.cpp VERBATIM)
add_custom_target(starlight64 ALL DEPENDS ${CMAKE_BINARY_DIR}/starlight64.scr)

# Timing of the progress screen's two paints (not a test: run it by hand under Wine).
add_executable(paint_bench ${CMAKE_SOURCE_DIR}/bench/paint_bench.cpp)
target_link_libraries(paint_bench PRIVATE setup_core)
target_link_options(paint_bench PRIVATE -static)
project_warnings(paint_bench)

# The authors' tool as a Windows console program, with the setup.exe of this build inside. Its
# logic takes the code page 932 rule for double-byte names, as the native tool does, so both
# refuse the same names whatever code page the author's system uses.
add_library(kit_pure STATIC ${PURE_SOURCES})
target_include_directories(kit_pure PUBLIC ${CMAKE_SOURCE_DIR})
project_warnings(kit_pure)
make_installer_tool(kit_pure $<TARGET_FILE:setup>)
target_link_options(make-installer PRIVATE -static)
add_dependencies(make-installer setup)
relink_on_new_time(make-installer)

# Runs an installer through to its end and saves what it showed (scripts/demo uses it).
add_executable(preview ${CMAKE_SOURCE_DIR}/runner/preview_win.cpp
                       ${CMAKE_SOURCE_DIR}/runner/installer_driver_win.cpp)
target_include_directories(preview PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(preview PRIVATE -static)
project_warnings(preview)

# The floor the installer's extraction is timed against, built as the installer is.
add_executable(floor_install WIN32 ${CMAKE_SOURCE_DIR}/bench/floor_install_win.cpp)
target_compile_options(floor_install PRIVATE -Os -fno-exceptions -fno-rtti -fno-builtin
                       -fno-asynchronous-unwind-tables -mno-stack-arg-probe)
target_link_options(floor_install PRIVATE -nostdlib -s -Wl,-e,_FloorEntry@0)
target_link_libraries(floor_install PRIVATE kernel32 user32 gdi32)
project_warnings(floor_install)

# Start-up timing and memory of a built installer, and the one-colour window it is timed
# against (bench/run runs them under Wine).
add_executable(start_bench ${CMAKE_SOURCE_DIR}/bench/start_bench.cpp
                           ${CMAKE_SOURCE_DIR}/runner/installer_driver_win.cpp
                           ${CMAKE_SOURCE_DIR}/render/layout.cpp)
target_include_directories(start_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(start_bench PRIVATE psapi)
target_link_options(start_bench PRIVATE -static)
project_warnings(start_bench)

# Time and peak memory of one program under Wine (bench/kit_bench.py runs the tool through it).
add_executable(peak_memory ${CMAKE_SOURCE_DIR}/bench/peak_memory_win.cpp)
target_link_libraries(peak_memory PRIVATE psapi)
target_link_options(peak_memory PRIVATE -static)
project_warnings(peak_memory)

add_executable(blank_window WIN32 ${CMAKE_SOURCE_DIR}/bench/blank_window.cpp)
target_include_directories(blank_window PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(blank_window PRIVATE -Os)
target_link_options(blank_window PRIVATE -static -s)
project_warnings(blank_window)
