#include "tools/core/texts.h"

#include <string.h>

namespace {

struct Entry {
    Text id;
    const char* english;
    const char* japanese;
};

// Written for a Japanese author, not word for word: the same facts, the same placeholders.
constexpr Entry kTable[] = {
    {Text::kToolHelp,
     "usage: make-installer COMMAND ARGUMENTS\n"
     "\n"
     "  build SAVER.SCR [-o OUTPUT.EXE] [--name NAME] [--stub SETUP.EXE]\n"
     "                     join the installer and a screen saver into one program\n"
     "  inspect INSTALLER.EXE [--json]\n"
     "                     show what an installer will do; exit 1 when it will not install\n"
     "  extract INSTALLER.EXE [-o SAVER.SCR]\n"
     "                     take the screen saver back out, byte for byte\n"
     "  header SAVER.SCR [--splash PICTURE] [-o OUT.SCR]\n"
     "                     append the installer's data header with a splash picture\n"
     "  SAVER.SCR [PICTURE]\n"
     "                     build SAVERSetup.exe beside it, as dropping the files onto\n"
     "                     make-installer.exe does; with PICTURE as its splash picture\n"
     "\n"
     "  make-installer COMMAND --help   more on one command\n"
     "  make-installer --version        the version\n"
     "\n"
     "Exit codes: 0 done, 1 refused or failed (one line says which file and why), 2 usage.\n",
     "使い方: make-installer コマンド 引数\n"
     "\n"
     "  build SAVER.SCR [-o OUTPUT.EXE] [--name NAME] [--stub SETUP.EXE]\n"
     "                     インストーラーとスクリーンセーバーを一つのプログラムにまとめます\n"
     "  inspect INSTALLER.EXE [--json]\n"
     "                     "
     "インストーラーが何をするかを表示します（インストールしないときは終了コード 1）\n"
     "  extract INSTALLER.EXE [-o SAVER.SCR]\n"
     "                     スクリーンセーバーを元のバイトのまま取り出します\n"
     "  header SAVER.SCR [--splash PICTURE] [-o OUT.SCR]\n"
     "                     インストーラー用のデータヘッダーとスプラッシュ画像を付けます\n"
     "  SAVER.SCR [PICTURE]\n"
     "                     SAVERSetup.exe を隣に作ります。make-installer.exe にファイルを\n"
     "                     ドロップしたときと同じです。PICTURE はスプラッシュ画像になります\n"
     "\n"
     "  make-installer コマンド --help   各コマンドの詳しい説明\n"
     "  make-installer --version        バージョン\n"
     "\n"
     "終了コード: 0 完了、1 拒否または失敗（どのファイルがなぜかを 1 行で表示）、2 使い方の誤り\n"},
    {Text::kBuildHelp,
     "usage: make-installer build SAVER.SCR [-o OUTPUT.EXE] [--name NAME] [--stub SETUP.EXE]\n"
     "\n"
     "Joins the installer and SAVER.SCR into OUTPUT.EXE (default: SAVER without its extension\n"
     "and \"Setup.exe\", beside it). NAME is the file name the screen saver gets in the system\n"
     "folder (default: SAVER.SCR's); the boxes show it without its last extension. It is text,\n"
     "stored in Japanese Windows' code page (932): a character that code page lacks is refused,\n"
     "as is a name Windows cannot hold as one file name (\\ / : * ? \" < > |, control characters,\n"
     "a trailing dot or space, nothing before the extension, a device name such as CON).\n"
     "--stub uses another setup.exe than the one built in. Refuses whatever the installer would\n"
     "not install as given; the output is written whole or not at all.\n",
     "使い方: make-installer build SAVER.SCR [-o OUTPUT.EXE] [--name NAME] [--stub SETUP.EXE]\n"
     "\n"
     "インストーラーと SAVER.SCR を OUTPUT.EXE にまとめます（既定は SAVER.SCR の隣に、拡張子を\n"
     "除いた名前に「Setup.exe」を付けたファイル）。NAME はシステムフォルダーに置かれるときの\n"
     "スクリーンセーバーのファイル名です（既定は SAVER.SCR の名前）。メッセージには最後の拡張子を\n"
     "除いて表示されます。NAME はテキストとして日本語版 Windows の文字コード (932) で格納される\n"
     "ため、その文字コードにない文字を含む名前は作りません。Windows が一つのファイル名として\n"
     "扱えない名前（\\ / : * ? \" < > |、制御文字、末尾のピリオドや空白、拡張子の前が空、CON の\n"
     "ようなデバイス名）も同様です。\n"
     "--stub を指定すると組み込みのものの代わりにその setup.exe を使います。\n"
     "インストーラーがそのままではインストールしないものは作りません。出力ファイルは完全に\n"
     "書き終えるか、まったく書かないかのどちらかです。\n"},
    {Text::kInspectHelp,
     "usage: make-installer inspect INSTALLER.EXE [--json]\n"
     "\n"
     "Shows the stub's size (P) and signature, the name and the name the boxes show, the screen\n"
     "saver's size, its data header (Q, X, Y, N), the splash picture, and each check. Exit 0\n"
     "when the installer will install, 1 when not. --json: the same as one JSON object.\n",
     "使い方: make-installer inspect INSTALLER.EXE [--json]\n"
     "\n"
     "スタブのサイズ (P) と署名、名前とメッセージでの表示名、スクリーンセーバーのサイズ、\n"
     "データヘッダー (Q、X、Y、N)、スプラッシュ画像、各チェックの結果を表示します。\n"
     "インストールするときは終了コード 0、しないときは 1 です。--json を付けると同じ内容を\n"
     "一つの JSON オブジェクトで出力します（キーは英語のままです）。\n"},
    {Text::kExtractHelp,
     "usage: make-installer extract INSTALLER.EXE [-o SAVER.SCR]\n"
     "\n"
     "Writes the screen saver back out, byte for byte (default: its name from the package, in\n"
     "the current folder, never over an existing file; -o names a file to write or replace).\n",
     "使い方: make-installer extract INSTALLER.EXE [-o SAVER.SCR]\n"
     "\n"
     "スクリーンセーバーを元のバイトのまま書き出します（既定ではパッケージにある名前で現在の\n"
     "フォルダーに書き、既存のファイルは上書きしません。-o で書き出す先や置き換えるファイルを\n"
     "指定できます）。\n"},
    {Text::kHeaderHelp,
     "usage: make-installer header SAVER.SCR [--splash PICTURE] [-o OUT.SCR]\n"
     "\n"
     "Appends the installer's data header to a finished screen saver (default: in place), with\n"
     "PICTURE as the splash picture or without one. PICTURE is a PNG, JPEG or BMP file (known\n"
     "by its first bytes; BMP with 12, 40, 108 or 124-byte headers, 1 to 32 bits, BI_RGB,\n"
     "BI_BITFIELDS, BI_RLE8 or BI_RLE4), at most 8192 pixels on a side. The installer leaves\n"
     "black transparent: a pixel less than half opaque (alpha below 128) becomes black, any\n"
     "other keeps its colour. Refuses a screen saver that already carries a data header.\n",
     "使い方: make-installer header SAVER.SCR [--splash PICTURE] [-o OUT.SCR]\n"
     "\n"
     "完成したスクリーンセーバーにインストーラー用のデータヘッダーを付けます（既定では元の\n"
     "ファイルに書き込みます）。PICTURE を指定するとスプラッシュ画像になります。PICTURE は\n"
     "PNG、JPEG、BMP のいずれか（先頭のバイトで判別。BMP はヘッダー 12、40、108、124 バイト、\n"
     "1～32 ビット、BI_RGB、BI_BITFIELDS、BI_RLE8、BI_RLE4）で、一辺 8192 ピクセルまでです。\n"
     "インストーラーは黒を透明として扱います。不透明度が半分未満（アルファ 128 未満）の\n"
     "ピクセルは黒になり、それ以外は元の色のままです。すでにデータヘッダーのある\n"
     "スクリーンセーバーには付けません。\n"},
    {Text::kDropGuide,
     "make-installer makes an installer from a screen saver.\n"
     "\n"
     "  Drop your screen saver (.scr) onto make-installer.exe: its installer, NAMESetup.exe,\n"
     "  appears beside it. Drop the .scr and a picture (.bmp, .png or .jpg) together: the\n"
     "  installer shows that picture while it installs. Your .scr stays as it is.\n"
     "\n"
     "  From a command prompt: make-installer SAVER.SCR [PICTURE] does the same;\n"
     "  make-installer --help lists every command.\n",
     "make-installer はスクリーンセーバーからインストーラーを作ります。\n"
     "\n"
     "  スクリーンセーバー (.scr) を make-installer.exe にドロップすると、その隣に\n"
     "  インストーラー「名前Setup.exe」ができます。.scr と画像 (.bmp、.png、.jpg) を一緒に\n"
     "  ドロップすると、インストール中にその画像を表示するインストーラーになります。\n"
     "  元の .scr は変更されません。\n"
     "\n"
     "  コマンドプロンプトでは make-installer SAVER.SCR [画像] で同じことができます。\n"
     "  すべてのコマンドは make-installer --help で確認できます。\n"},
    {Text::kPressAnyKey, "\nPress any key to close this window.\n",
     "\n何かキーを押すとこのウィンドウを閉じます。\n"},
    {Text::kUsage, "{1} (make-installer --help)", "{1}（使い方: make-installer --help）"},
    {Text::kNeedsValue, "{1} needs a value", "{1} には値が必要です"},
    {Text::kUnknownOption, "unknown option {1} for {2}", "{2} に {1} というオプションはありません"},
    {Text::kTakesOneFile, "{1} takes one file", "{1} にはファイルを一つ指定します"},
    {Text::kUnknownCommand, "unknown command {1}", "{1} というコマンドはありません"},
    {Text::kDropWhat, "give one screen saver (.scr), alone or with one picture (.bmp, .png, .jpg)",
     "スクリーンセーバー (.scr) を一つ、単独で、または画像 (.bmp、.png、.jpg) 一つと一緒に"
     "指定してください"},
    {Text::kReplacesInput, "the output would replace an input ({1}); name another file with -o",
     "出力が入力ファイル ({1}) を上書きしてしまいます。-o で別のファイル名を指定してください"},
    {Text::kTooLarge, "too large: {1}", "大きすぎます: {1}"},
    {Text::kCannotRead, "cannot read: {1}", "読み込めません: {1}"},
    {Text::kNoBuiltInStub, "this make-installer was built without setup.exe; give --stub SETUP.EXE",
     "この make-installer には setup.exe が組み込まれていません。--stub SETUP.EXE で"
     "指定してください"},
    {Text::kBuiltInStub, "built-in stub", "組み込みのスタブ"},
    {Text::kStubHasMarker, "refused: the program already contains the setup boundary marker",
     "使えません: このプログラムにはすでにセットアップの境界マーカーが含まれています"},
    {Text::kRefusedAs, "refused as \"{1}\": {2}", "「{1}」としては作れません: {2}"},
    {Text::kBuilt, "{1}: {2} bytes, installs {3}\n", "{1}: {2} バイト、{3} をインストールします\n"},
    {Text::kNoPackage, "no package the installer would read (make-installer inspect says why)",
     "インストーラーが読めるパッケージがありません（理由は make-installer inspect で"
     "確認できます）"},
    {Text::kExistsAlready, "exists already; name it with -o to replace it",
     "すでにあります。置き換えるときは -o で指定してください"},
    {Text::kExtracted, "{1}: {2} bytes\n", "{1}: {2} バイト\n"},
    {Text::kTooLargeWithHeader, "too large with its data header: {1}",
     "データヘッダーを付けると大きすぎます: {1}"},
    {Text::kHeaderWritten, "{1}: {2} bytes, splash picture of {3} bytes\n",
     "{1}: {2} バイト、スプラッシュ画像 {3} バイト\n"},
    {Text::kNoSuchFile, "No such file or directory", "ファイルが見つかりません"},
    {Text::kAccessDenied, "Permission denied", "アクセスが拒否されました"},
    {Text::kReading, "reading {1}", "{1} を読み込み中"},
    {Text::kWriting, "writing {1}", "{1} を書き込み中"},
    {Text::kPathTooLong, "the path is too long: {1}", "パスが長すぎます: {1}"},
    {Text::kCannotCreate, "cannot create {1}: {2}", "{1} を作成できません: {2}"},
    {Text::kCannotWrite, "cannot write {1}: {2}", "{1} に書き込めません: {2}"},
    {Text::kCannotRename, "cannot rename {1} to {2}", "{1} の名前を {2} に変更できません"},
    {Text::kSizeLimit,
     "an installer maps its whole file into its 2 GiB address space, so it can have at most {1} "
     "bytes (1 GiB) and a screen saver at most {2} bytes",
     "インストーラーは自分のファイル全体を 2 GiB のアドレス空間に読み込むため、インストーラーは"
     "最大 {1} バイト (1 GiB)、スクリーンセーバーは最大 {2} バイトです"},
    {Text::kCheckSize, "size", "サイズ"},
    {Text::kCheckPackage, "package", "パッケージ"},
    {Text::kCheckName, "name", "名前"},
    {Text::kCheckNameText, "name is text", "名前の文字"},
    {Text::kCheckFileName, "file name", "ファイル名"},
    {Text::kCheckTargetPath, "target path", "置き場所のパス"},
    {Text::kCheckNotWindowsOwn, "not Windows' own", "Windows 標準でない"},
    {Text::kCheckDataHeader, "data header", "データヘッダー"},
    {Text::kCheckDataHeaderInside, "data header inside", "データヘッダーの範囲"},
    {Text::kCheckSplashPicture, "splash picture", "スプラッシュ画像"},
    {Text::kFileTooLarge, "the file has {1} bytes; {2}", "ファイルは {1} バイトです。{2}"},
    {Text::kFileOf4GiB, "the file is 4 GiB or larger", "ファイルが 4 GiB 以上あります"},
    {Text::kNoMarker, "no package: the setup boundary marker is missing",
     "パッケージがありません: セットアップの境界マーカーが見つかりません"},
    {Text::kPackageCutShort, "the package is cut short before the end of its name field",
     "パッケージが名前欄の途中で切れています"},
    {Text::kNameUnterminated, "the name field has no terminating zero byte",
     "名前欄に終端のゼロバイトがありません"},
    {Text::kNameUnsafe,
     "the name is empty, leaves the system folder (\"..\", \":\", leading \\ or /) or names a "
     "device (CON, PRN, AUX, NUL, COM1-9, LPT1-9)",
     "名前が空か、システムフォルダーの外を指す（「..」「:」、先頭の \\ や /）か、デバイス名"
     "（CON、PRN、AUX、NUL、COM1～9、LPT1～9）です"},
    {Text::kNameTooLongForFolder, "the name is too long to join to the system folder",
     "名前が長すぎてシステムフォルダーのパスに収まりません"},
    {Text::kNameTooLong, "the name has {1} bytes; under the longest system folder only {2} fit",
     "名前は {1} バイトです。最も長いシステムフォルダーの下に収まるのは {2} バイトまでです"},
    {Text::kNameWindowsOwn,
     "the name is one of the screen savers Windows ships, whose file in the system folder "
     "Windows does not let even an administrator replace",
     "Windows に付属するスクリーンセーバーと同じ名前です。システムフォルダーにあるその"
     "ファイルは、管理者でも置き換えられません"},
    {Text::kNameEmpty, "the name is empty", "名前が空です"},
    {Text::kNameForbiddenCharacter, "the name has {1}, which Windows does not allow in a file name",
     "名前に、Windows がファイル名に使わせない {1} があります"},
    {Text::kNameOutsideCp932,
     "the name has {1}, which Japanese Windows' code page (932) cannot hold",
     "名前に、日本語版 Windows の文字コード (932) にない {1} があります"},
    {Text::kNameTrailingDotOrSpace,
     "the name ends with a dot or a space, which Windows drops from a file name",
     "名前がピリオドか空白で終わっています。Windows はファイル名の末尾のピリオドと空白を"
     "取り除きます"},
    {Text::kNameEmptyStem, "the name has nothing before its extension, which the boxes show",
     "名前の拡張子の前に何もありません。メッセージにはその部分が表示されます"},
    {Text::kNameNotText, "the name is not text in this system's character set ({1})",
     "名前がこのシステムの文字コード ({1}) のテキストではありません"},
    {Text::kNameNotCp932Text,
     "the name is not code page 932 text (byte {1} at {2}); the installer ends without "
     "installing",
     "名前がコードページ 932 のテキストではありません（位置 {2} のバイト {1}）。インストーラーは"
     "何もインストールせずに終わります"},
    {Text::kNameUnwritableHere,
     "the name {1} cannot be written in this system's character set ({2}); name the output "
     "with -o",
     "名前 {1} はこのシステムの文字コード ({2}) で書けません。-o で出力先を指定してください"},
    {Text::kNoDataHeader,
     "the screen saver has no data header (its saver boundary marker is missing)",
     "スクリーンセーバーにデータヘッダーがありません（セーバー境界マーカーが見つかりません）"},
    {Text::kDataHeaderPastEnd,
     "the screen saver's data header or splash picture reaches past its end",
     "スクリーンセーバーのデータヘッダーかスプラッシュ画像がファイルの終わりを越えています"},
    {Text::kDataHeaderCutOff,
     "the data header or splash picture reaches past the end of the screen saver; the "
     "installer shows no splash",
     "データヘッダーかスプラッシュ画像がスクリーンセーバーの終わりを越えています。"
     "インストーラーはスプラッシュ画像を表示しません"},
    {Text::kSplashNotDrawable,
     "the splash picture is not whole or not drawable; the installer's guard leaves it out",
     "スプラッシュ画像が欠けているか描画できません。インストーラーはこの画像を表示しません"},
    {Text::kSplashUnfit, "the installer's splash guard would leave the picture out",
     "インストーラーはこの画像をスプラッシュとして表示しません"},
    {Text::kReaches4GiB, "the installer would reach 4 GiB",
     "インストーラーが 4 GiB 以上になります"},
    {Text::kSaverReaches4GiB, "the screen saver would reach 4 GiB",
     "スクリーンセーバーが 4 GiB 以上になります"},
    {Text::kHasDataHeader, "the screen saver already carries a data header (at {1})",
     "スクリーンセーバーにはすでにデータヘッダーがあります（位置 {1}）"},
    {Text::kHeaderAmbiguous,
     "the screen saver's last bytes and the header would form another data header",
     "スクリーンセーバーの末尾とヘッダーが合わさって別のデータヘッダーに見えてしまいます"},
    {Text::kProgramHasMarker, "the program already contains the setup boundary marker",
     "プログラムにすでにセットアップの境界マーカーが含まれています"},
    {Text::kPictureTooLarge, "a picture of {1} x {2} pixels (at most {3} on a side)",
     "画像が {1} x {2} ピクセルです（一辺 {3} ピクセルまで）"},
    {Text::kNotAPicture, "not a BMP, PNG or JPEG picture",
     "BMP、PNG、JPEG のいずれの画像でもありません"},
    {Text::kPictureCutShort, "the {1} file ends before its picture does",
     "{1} ファイルが画像の途中で終わっています"},
    {Text::kPictureDataDamaged, "the {1} picture's data is damaged",
     "{1} 画像のデータが壊れています"},
    {Text::kPictureKindUnread, "a kind of {1} picture this tool does not read",
     "このツールでは読めない種類の {1} 画像です"},
    {Text::kPictureFileTooLarge,
     "a picture file of {1} bytes: no picture of at most {2} pixels on a side needs more than "
     "{3}",
     "画像ファイルが {1} バイトあります。一辺 {2} ピクセルまでの画像なら {3} バイトを超えません"},
    {Text::kPictureOutOfMemory, "too large for the memory this tool can take",
     "このツールが使えるメモリーには大きすぎます"},
    {Text::kPngChecksum, "the picture is damaged: its PNG chunk {1} fails its checksum",
     "画像が壊れています（PNG のチャンク {1} のチェックサムが合いません）"},
    {Text::kJpegWithoutTables,
     "the picture is damaged or incomplete: a JPEG without quantisation tables",
     "画像が壊れているか不完全です（JPEG に量子化テーブルがありません）"},
    // English keeps the reason bare.
    {Text::kNotTakenAsSplash, "{1}", "スプラッシュ画像にできません: {1}"},
    {Text::kLabelStub, "stub:", "スタブ:"},
    {Text::kLabelName, "name:", "名前:"},
    {Text::kLabelSaver, "screen saver:", "スクリーンセーバー:"},
    {Text::kLabelDataHeader, "data header:", "データヘッダー:"},
    {Text::kLabelSplash, "splash:", "スプラッシュ画像:"},
    {Text::kLabelChecks, "checks:", "チェック:"},
    {Text::kLabelResult, "result:", "結果:"},
    {Text::kStubFacts, "{1} bytes (P = {1}), signature: {2}", "{1} バイト (P = {1})、署名: {2}"},
    {Text::kSignatureYes, "yes, {1} bytes", "あり、{1} バイト"},
    {Text::kSignatureNo, "no", "なし"},
    {Text::kShownAs, "{1} (shown as \"{2}\")", "{1}（表示名「{2}」）"},
    {Text::kBytes, "{1} bytes", "{1} バイト"},
    {Text::kSplashNone, "none", "なし"},
    {Text::kSplashUnreadable, "unreadable", "読み取れません"},
    {Text::kSplashFacts, "{1} header, {2} x {3}{4}, {5} bits per pixel, {6} colours in its table",
     "{1} ヘッダー、{2} x {3}{4}、{5} ビット/ピクセル、カラーテーブル {6} 色"},
    {Text::kTopDown, " top-down", "（上から下）"},
    {Text::kCheckOk, "ok", "OK"},
    {Text::kInstalls, "installs", "インストールします"},
    {Text::kDoesNotInstall, "does not install", "インストールしません"},
    {Text::kEmptyFile, "the file is empty", "ファイルが空です"},
    {Text::kNotWindowsProgram, "not a screen saver: this file is no Windows program",
     "スクリーンセーバーではありません: Windows のプログラムではありません"},
    {Text::kCheckProgram, "Windows program", "Windows のプログラム"},
    {Text::kSaverIsInstaller,
     "this is an installer already, not a screen saver: extract takes its screen saver out",
     "これはすでにインストーラーで、スクリーンセーバーではありません。extract で中の"
     "スクリーンセーバーを取り出せます"},
    {Text::kLabelMachine, "machine:", "マシン:"},
    {Text::kLabelRemoval, "removal:", "削除:"},
    {Text::kRemovalEntry,
     "adds \"{1} スクリーンセーバー\" to Apps & features, whose command removes the screen saver "
     "and puts back the one set before",
     "「アプリと機能」に「{1} スクリーンセーバー」を追加します。そこから削除すると、スクリーン"
     "セーバーを削除し、前に設定されていたものに戻します"},
    {Text::kRemovalNone, "none: this setup.exe adds no entry to Apps & features",
     "なし: この setup.exe は「アプリと機能」に追加しません"},
    {Text::kMachineNone, "none: no Windows program", "なし: Windows のプログラムではありません"},
    {Text::kMachineX86Place,
     "x86 (32-bit): into SysWOW64 on 64-bit Windows, into System32 on 32-bit Windows",
     "x86 (32 ビット): 64 ビットの Windows では SysWOW64 に、32 ビットの Windows では "
     "System32 に入ります"},
    {Text::kMachineX64Place,
     "x64 (64-bit): into System32 on x64 Windows and on ARM64 Windows that runs x64 programs; "
     "32-bit Windows cannot run it",
     "x64 (64 ビット): x64 の Windows と、x64 のプログラムを実行できる ARM64 の Windows では "
     "System32 に入ります。32 ビットの Windows では実行できません"},
    {Text::kMachineArm64Place, "ARM64: into System32 on ARM64 Windows; no other Windows runs it",
     "ARM64: ARM64 の Windows では System32 に入ります。ほかの Windows では実行できません"},
    {Text::kMachineNoWindows, "{1}: no Windows runs screen savers built for this machine",
     "{1}: このマシン用のスクリーンセーバーを実行する Windows はありません"},
    {Text::kBmpNoFileHeader, "not a BMP file (no \"BM\" file header)",
     "BMP ファイルではありません（\"BM\" で始まるファイルヘッダーがありません）"},
    {Text::kBmpEndsInHeaders, "the BMP file ends inside its headers",
     "BMP ファイルがヘッダーの途中で終わっています"},
    {Text::kBmpHeaderSize, "a bitmap header of {1} bytes (only 12, 40, 108 and 124 are read)",
     "ビットマップヘッダーが {1} バイトです（読めるのは 12、40、108、124 バイトだけです）"},
    {Text::kBmpHeaderCutShort, "the bitmap header is cut short",
     "ビットマップヘッダーが途中で切れています"},
    {Text::kBmpBitCount, "{1} bits per pixel (only 1, 4, 8, 16, 24, 32)",
     "{1} ビット/ピクセルです（読めるのは 1、4、8、16、24、32 だけです）"},
    {Text::kBmpCoreSixteenBits, "16 bits per pixel with a core header",
     "core ヘッダーで 16 ビット/ピクセルです"},
    {Text::kBmpCompression, "compression {1} (only BI_RGB, BI_RLE8, BI_RLE4 and BI_BITFIELDS)",
     "圧縮形式 {1} です（読めるのは BI_RGB、BI_RLE8、BI_RLE4、BI_BITFIELDS だけです）"},
    {Text::kBmpBitFieldsBits, "BI_BITFIELDS with {1} bits per pixel",
     "BI_BITFIELDS で {1} ビット/ピクセルです"},
    {Text::kBmpMasksUnfit,
     "BI_BITFIELDS masks that are empty or share bits (the picture would show nothing or mixed "
     "colours)",
     "BI_BITFIELDS のマスクが空か、ビットが重なっています（何も表示されないか、色が混ざります）"},
    {Text::kBmpRunLengthBits, "{1} with {2} bits per pixel", "{1} で {2} ビット/ピクセルです"},
    {Text::kBmpNoSize, "an empty or impossible picture size",
     "画像の大きさが 0 か、ありえない値です"},
    {Text::kBmpRunLengthTopDown, "run-length rows top-down (the format has them bottom-up only)",
     "ランレングスの行が上から下の順です（この形式は下から上だけです）"},
    {Text::kBmpColours, "{1} colours for {2} bits per pixel",
     "{2} ビット/ピクセルなのに {1} 色あります"},
    {Text::kBmpTablePastEnd, "the colour table reaches past the end of the file",
     "カラーテーブルがファイルの終わりを越えています"},
    {Text::kBmpRowsInsideHeader, "the pixel rows start inside the header or colour table",
     "ピクセルの行がヘッダーかカラーテーブルの中から始まっています"},
    {Text::kBmpRowsPastEnd, "the pixel rows reach past the end of the file",
     "ピクセルの行がファイルの終わりを越えています"},
    {Text::kRleNoEnd, "the RLE stream ends before its end-of-picture mark",
     "RLE のデータが画像の終わりの印の前で終わっています"},
    {Text::kRleRunPastLastRow, "the RLE stream runs past the last row",
     "RLE のデータが最後の行を越えています"},
    {Text::kRleRowPastLastRow, "the RLE stream goes on past the last row",
     "RLE のデータが最後の行の後も続いています"},
    {Text::kRleEndsInMove, "the RLE stream ends inside a move",
     "RLE のデータが移動の途中で終わっています"},
    {Text::kRleMovesPastEdge, "the RLE stream moves past the edge of the picture",
     "RLE のデータが画像の端の外へ移動しています"},
    {Text::kRleEndsInRun, "the RLE stream ends inside a run of colours",
     "RLE のデータが色の並びの途中で終わっています"},
    {Text::kSplashAddsBytes, "the picture adds {1} bytes to the installer",
     "画像でインストーラーが {1} バイト大きくなります"},
    {Text::kSplashCut,
     "larger than the {1} x {2} pixels a 1024 x 768 screen has for it, it is cut there",
     "1024 x 768 の画面で画像に使える {1} x {2} ピクセルより大きいため、その画面では切れて"
     "表示されます"},
    {Text::kCheckNoted, "ok; note: {1}", "OK（注意: {1}）"},
    {Text::kNoteLine, "note: {1}\n", "注意: {1}\n"},
    {Text::kOutOfMemory, "not enough memory to go on; nothing was written",
     "メモリーが足りないため続けられません。何も書き込んでいません"},
    {Text::kCannotReadFile, "cannot read {1}: {2}", "{1} を読み込めません: {2}"},
    {Text::kFileChanged, "the file ended early: it changed while it was read",
     "ファイルが途中で終わっています。読み込み中に変更されました"},
    {Text::kNotAFile, "not a file (a device or a pipe)",
     "ファイルではありません（デバイスかパイプです）"},
};

constexpr bool InIdOrder() {
    for (size_t i = 0; i < sizeof kTable / sizeof kTable[0]; ++i)
        if (static_cast<size_t>(kTable[i].id) != i)
            return false;
    return sizeof kTable / sizeof kTable[0] == static_cast<size_t>(Text::kCount);
}
static_assert(InIdOrder(), "one entry per Text, in the enumeration's order");

Language g_language = Language::kEnglish;

// "ja" alone too: strchr finds the terminating zero.
bool IsJapaneseLocale(const char* name) {
    return strncmp(name, "ja", 2) == 0 && strchr("_.@", name[2]) != nullptr;
}

std::string Fill(const char* pattern, std::initializer_list<std::string> args) {
    std::string out;
    for (const char* p = pattern; *p; ++p) {
        size_t index = p[0] == '{' && p[1] >= '1' && p[1] <= '9' && p[2] == '}'
                           ? static_cast<size_t>(p[1] - '1')
                           : args.size();
        if (index < args.size()) {
            out += args.begin()[index];
            p += 2;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

Language LanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* name : {lcAll, lcMessages, lang})
        if (name && *name)
            return IsJapaneseLocale(name) ? Language::kJapanese : Language::kEnglish;
    return Language::kEnglish;
}

void SetLanguage(Language language) {
    g_language = language;
}

std::string SayIn(Language language, Text id, std::initializer_list<std::string> args) {
    const Entry& entry = kTable[static_cast<size_t>(id)];
    return Fill(language == Language::kJapanese ? entry.japanese : entry.english, args);
}

std::string Say(Text id, std::initializer_list<std::string> args) {
    return SayIn(g_language, id, args);
}

std::string SayEnglish(const char* english) {
    for (const Entry& entry : kTable)
        if (strcmp(entry.english, english) == 0)
            return Say(entry.id);
    return english;
}

// Our texts hold ASCII and Japanese only, whose characters of three UTF-8 bytes are all wide.
size_t ColumnsOf(const std::string& text) {
    size_t columns = 0;
    for (unsigned char c : text)
        columns += c < 0x80 ? 1 : c >= 0xE0 ? 2 : 0;
    return columns;
}

std::string PadTo(const std::string& text, size_t columns) {
    size_t used = ColumnsOf(text);
    return text + std::string(used < columns ? columns - used : 1, ' ');
}
