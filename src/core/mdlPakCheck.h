#pragma once

#include "PakError.h"
#include "mdlPakFile.h"
#include "mdlTools.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The structure check of a loaded archive: what in its directory and its file
// would make an extraction fail, lose data or write something other than meant.

enum class PakFindingKind
{
    PastEnd,           // the data reaches beyond the end of the file
    NegativeStart,     // the start offset is negative
    NegativeSize,      // the size is negative
    OverlapsHeader,    // the data lies partly in the 16-byte header
    OverlapsDirectory, // the data lies partly in the directory
    OverlapsTimeTable, // the data lies partly in the time table
    OverlapsEntry,     // the data overlaps that of another entry
    DuplicateName,     // another entry has the same name (letter case and "\" vs "/" alike)
    RefusedName,       // the extractor refuses the name (".." or a drive prefix, or nothing left)
    RefusedFlatName,   // refused only when extracted without folder names (nothing left)
    ControlCharacters, // the name holds control characters
    UnterminatedName,  // the name field holds no NUL
    TimeTableSize,     // the time table's own size does not match the directory
};
inline constexpr int PakFindingKindCount = 13;

// One finding, always about one entry of the directory.
struct PakFinding
{
    PakFindingKind Kind = PakFindingKind::PastEnd;
    int32_t Index = 0;  // the entry
    int32_t Other = -1; // the other entry of an overlap or a duplicate name
    // Past end: the bytes beyond the end; negative start or size: the value;
    // overlaps: the bytes in common; time table: the size the directory calls for.
    int64_t Value = 0;
    int64_t Value2 = 0; // time table: its stored size
};

struct PakCheckReport
{
    std::vector<PakFinding> Findings; // by entry index, then by kind
    int64_t FileSize = 0;
    // The bytes of the file that neither header, directory, time table nor any
    // entry uses.
    int64_t UnusedBytes = 0;
};

// Examines the directory of archive as loaded against a file of fileSize bytes.
// Costs O(n log n) in the number of entries.
PakCheckReport CheckPakDirectory(const PakArchive &archive, int64_t fileSize);
// The same against the archive's file as it is now; an error when its size
// cannot be had.
Expected<PakCheckReport> CheckPakArchive(const PakArchive &archive);

// A stable name of the kind for machine-readable output, such as "past-end".
const char *PakFindingCode(PakFindingKind kind);
// The language-file key of the kind's text, such as "strPastEnd".
const char *PakFindingKey(PakFindingKind kind);
// The German text of the kind, with %1 for the other entry's key, %2 for its
// name, %3 for Value and %4 for Value2.
const char *PakFindingTemplate(PakFindingKind kind);
// The finding in words: text (a template as above) with its values filled in.
std::string PakFindingText(const PakFinding &finding, const PakArchive &archive,
                           std::string_view text, const mdlTools::NumberFormat &format);

// The German summary, with %1 for the number of findings, %2 for the unused
// bytes and %3 for the file's size.
const char *PakCheckSummaryTemplate();
std::string PakCheckSummary(const PakCheckReport &report, std::string_view text,
                            const mdlTools::NumberFormat &format);
