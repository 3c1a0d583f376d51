#pragma once
// Every text the authors' tool shows its user, in English and in Japanese. The table is in
// tools/core/texts.cpp; arguments take the places {1} to {9}, so a translation may reorder them.

#include <stddef.h>

#include <initializer_list>
#include <string>

enum class Language { kEnglish, kJapanese };

enum class Text {
    kToolHelp,
    kBuildHelp,
    kInspectHelp,
    kExtractHelp,
    kHeaderHelp,
    kDropGuide,
    kPressAnyKey,
    kUsage,
    kNeedsValue,
    kUnknownOption,
    kTakesOneFile,
    kUnknownCommand,
    kDropWhat,
    kReplacesInput,
    kTooLarge,
    kCannotRead,
    kNoBuiltInStub,
    kBuiltInStub,
    kStubHasMarker,
    kRefusedAs,
    kBuilt,
    kNoPackage,
    kExistsAlready,
    kExtracted,
    kTooLargeWithHeader,
    kHeaderWritten,
    kNoSuchFile,
    kAccessDenied,
    kReading,
    kWriting,
    kPathTooLong,
    kCannotCreate,
    kCannotWrite,
    kCannotRename,
    kSizeLimit,
    kCheckSize,
    kCheckPackage,
    kCheckName,
    kCheckTargetPath,
    kCheckNotWindowsOwn,
    kCheckDataHeader,
    kCheckDataHeaderInside,
    kCheckSplashPicture,
    kFileTooLarge,
    kFileOf4GiB,
    kNoMarker,
    kPackageCutShort,
    kNameUnterminated,
    kNameUnsafe,
    kNameTooLongForFolder,
    kNameTooLong,
    kNameWindowsOwn,
    kNoDataHeader,
    kDataHeaderPastEnd,
    kDataHeaderCutOff,
    kSplashNotDrawable,
    kSplashUnfit,
    kReaches4GiB,
    kSaverReaches4GiB,
    kHasDataHeader,
    kHeaderAmbiguous,
    kProgramHasMarker,
    kPictureTooLarge,
    kNotAPicture,
    kPictureCutShort,
    kPictureDataDamaged,
    kPictureKindUnread,
    kPictureOf2GiB,
    kPictureOutOfMemory,
    kPngChecksum,
    kJpegWithoutTables,
    kNotTakenAsSplash,
    kLabelStub,
    kLabelName,
    kLabelSaver,
    kLabelDataHeader,
    kLabelSplash,
    kLabelChecks,
    kLabelResult,
    kStubFacts,
    kSignatureYes,
    kSignatureNo,
    kShownAs,
    kBytes,
    kSplashNone,
    kSplashUnreadable,
    kSplashFacts,
    kTopDown,
    kCheckOk,
    kInstalls,
    kDoesNotInstall,
    kEmptyFile,
    kNotWindowsProgram,
    kOutOfMemory,
    kCannotReadFile,
    kFileChanged,
    kCount
};

// Japanese when the first of LC_ALL, LC_MESSAGES and LANG that is set names a Japanese locale
// ("ja", "ja_JP.UTF-8"), as the C library picks the language of its messages.
Language LanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang);

// The language of every later Say; English until set.
void SetLanguage(Language language);

std::string SayIn(Language language, Text id, std::initializer_list<std::string> args = {});
std::string Say(Text id, std::initializer_list<std::string> args = {});

// A reason the shared package code gives in English, in the chosen language; one the table
// does not hold comes back as it is.
std::string SayEnglish(const char* english);

// Text padded with spaces to `columns` terminal columns (a wide Japanese character takes two),
// and at least one space.
std::string PadTo(const std::string& text, size_t columns);
size_t ColumnsOf(const std::string& text);
