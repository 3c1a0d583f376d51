#pragma once
// The installer's reading of a package (installer/package.h) on a ByteSource: the same rules,
// given only the bytes they look at, so that a large screen saver is searched through but not
// held.

#include <stdint.h>

#include <vector>

#include "installer/package.h"
#include "tools/core/byte_source.h"

// What the installer reads for SetupBoundary first at `p` of `file` (at most 4 GiB): 1 with
// the layout, whose name points into `prefix`, the file's bytes up to the name field's end
// and the PE header's data directories. Its saverImage is not to be read.
bool ReadPackageIn(const ByteSource& file, uint32_t p, std::vector<uint8_t>* prefix,
                   PackageLayout* layout);

// The first SaverBoundary in [from, from + length) and where SplashDib lies after it, as
// LocateSplashDib gives them: false when there is none. `q` and the picture's offset count
// from `from`.
bool LocateSplashIn(const ByteSource& file, uint64_t from, uint32_t length, uint32_t* q,
                    SplashLocation* splash);
