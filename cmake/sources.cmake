# The one list of sources per piece, shared by both flavours.

# Logic that needs no platform: built into setup.exe and natively for tests and the fuzzer.
set(PURE_SOURCES
    installer/account.cpp
    installer/command_line.cpp
    installer/package.cpp
    installer/package_writer.cpp
    installer/progress.cpp
    installer/saver_machine.cpp
    render/dib.cpp
    render/layout.cpp
    support/lead_byte_cp932.cpp
    support/path.cpp
    support/unique_names.cpp
)

# The installer's Win32 side (everything of setup.exe but its entry point and resources).
set(INSTALLER_WIN32_SOURCES
    installer/account_win.cpp
    installer/desktop_user_win.cpp
    installer/messages_win.cpp
    installer/registration_win.cpp
    installer/removal_entry_win.cpp
    installer/removal_win.cpp
    installer/saver_file_win.cpp
    installer/startup_win.cpp
    installer/window_win.cpp
    render/bitmap_win.cpp
    render/progress_screen_win.cpp
    support/kernel_function_win.cpp
    support/memblock_win.cpp
    support/path_win.cpp
    support/text_win.cpp
    support/unique_names_win.cpp
)

# The authors' tool's logic, built into make-installer (both flavours) and the native tests.
set(KIT_SOURCES
    tools/core/bmp.cpp
    tools/core/bmp_rle.cpp
    tools/core/byte_source.cpp
    tools/core/dib_pixels.cpp
    tools/core/exif.cpp
    tools/core/inspect.cpp
    tools/core/jpeg_scans.cpp
    tools/core/inspect_format.cpp
    tools/core/names.cpp
    tools/core/package_source.cpp
    tools/core/picture.cpp
    tools/core/picture_decode.cpp
    tools/core/picture_damage.cpp
    tools/core/png_rows.cpp
    tools/core/saver_header.cpp
    tools/core/saver_program.cpp
    tools/core/texts.cpp
)
