# The page (tools/web/make-installer.html): the kit's logic and the stub compiled to WebAssembly
# by Debian's clang-14 for wasm32-wasi, inlined into one HTML file. Included by host.cmake after
# make_installer_tool, whose generated stub source it compiles too.

find_program(WASM_CXX clang++-14)
if(NOT WASM_CXX OR NOT EXISTS /usr/lib/wasm32-wasi/libc++.a)
    message(FATAL_ERROR "no WebAssembly toolchain: install clang-14, lld-14, wasi-libc, "
                        "libc++-14-dev-wasm32 and libclang-rt-14-dev-wasm32 (scripts/bootstrap)")
endif()
set(WEB_PAGE ${CMAKE_BINARY_DIR}/web/make-installer.html CACHE FILEPATH "where the page goes")
get_filename_component(web_dir ${WEB_PAGE} DIRECTORY)
set(kit_wasm ${CMAKE_BINARY_DIR}/web/kit.wasm)
# The whole pure list: the linker keeps only what the page's functions reach.
set(wasm_sources ${CMAKE_SOURCE_DIR}/tools/web/kit_wasm.cpp ${CMAKE_BINARY_DIR}/builtin_stub.cpp
                 ${PURE_SOURCES} ${KIT_SOURCES})
# Fixed flags and no debug information or names: one commit gives the same page anywhere.
add_custom_command(OUTPUT ${kit_wasm}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/web
    COMMAND ${WASM_CXX} --target=wasm32-wasi -std=c++17 -Os -fno-exceptions -fno-rtti
            -Wall -Wextra -Werror -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
            -I${CMAKE_SOURCE_DIR} -isystem ${STB_IMAGE_DIR} -mexec-model=reactor
            -Wl,--gc-sections -Wl,--strip-all -o ${kit_wasm} ${wasm_sources}
    DEPENDS ${wasm_sources}
    COMMENT "Compiling the kit to WebAssembly"
    VERBATIM)
add_custom_command(OUTPUT ${WEB_PAGE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${web_dir}
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/web/make_page.py
            ${CMAKE_SOURCE_DIR}/tools/web/make-installer.html ${kit_wasm} ${WEB_PAGE}
    DEPENDS ${kit_wasm} ${CMAKE_SOURCE_DIR}/tools/web/make-installer.html
            ${CMAKE_SOURCE_DIR}/tools/web/make_page.py
    VERBATIM)
add_custom_target(web_page ALL DEPENDS ${WEB_PAGE})

# The page in headless Chromium and Firefox ESR against the tool it stands beside, with
# Debian's Python, which has python3-selenium.
foreach(browser chromium firefox)
    add_test(NAME web.page.${browser}
             COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/web/page_test.py ${browser}
                     ${WEB_PAGE} $<TARGET_FILE:make-installer> ${CMAKE_SOURCE_DIR} ${SETUP_STUB})
endforeach()
