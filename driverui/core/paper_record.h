#pragma once
// The two 112-byte paper records of the driver. Both are stored in printer data as they are
// in memory ("FORMS" is an array of PaperRecord, "InstalledForm" one CurrentFormRecord), so
// their layouts are fixed. Lengths are in micrometres.
#include <cstddef>
#include <cstdint>

namespace kelno {

inline constexpr std::uint32_t kUserPaperId = 256;               // "USER", entry 0 of every list
inline constexpr std::uint32_t kBuiltInPaperFlag = 0x80000000u;  // the paper came from the model database
inline constexpr std::uint32_t kPaperDirectThermal = 0x10;
inline constexpr std::uint32_t kPaperThermalTransfer = 0x20;
inline constexpr std::size_t kPaperNameUnits = 32;

// One label stock: an entry of the model's paper list and of the printer's "FORMS" data.
struct PaperRecord {
    std::uint32_t id;                // 256 "USER", 257 onward in list order
    char16_t name[kPaperNameUnits];  // NUL-terminated
    std::int32_t width;
    std::int32_t height;
    std::int32_t marginLeft;
    std::int32_t marginTop;
    std::int32_t marginRight;
    std::int32_t marginBottom;
    std::uint32_t flags;  // type bits, media kind 0x10/0x20, kBuiltInPaperFlag
    std::int32_t gap;
    std::int32_t gapOffset;
    std::uint32_t extra1;
    std::uint32_t extra2;
};
static_assert(sizeof(PaperRecord) == 112);
static_assert(offsetof(PaperRecord, name) == 4);
static_assert(offsetof(PaperRecord, width) == 68);
static_assert(offsetof(PaperRecord, height) == 72);
static_assert(offsetof(PaperRecord, marginLeft) == 76);
static_assert(offsetof(PaperRecord, marginTop) == 80);
static_assert(offsetof(PaperRecord, marginRight) == 84);
static_assert(offsetof(PaperRecord, marginBottom) == 88);
static_assert(offsetof(PaperRecord, flags) == 92);
static_assert(offsetof(PaperRecord, gap) == 96);
static_assert(offsetof(PaperRecord, gapOffset) == 100);
static_assert(offsetof(PaperRecord, extra1) == 104);
static_assert(offsetof(PaperRecord, extra2) == 108);

// The paper in use: the margins are turned into the edges of the printable area.
struct CurrentFormRecord {
    char16_t name[kPaperNameUnits];
    std::uint32_t id;
    std::int32_t width;
    std::int32_t height;
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;   // width - right margin
    std::int32_t bottom;  // height - bottom margin
    std::uint32_t flags;
    std::int32_t gap;
    std::int32_t gapOffset;
    std::uint32_t extra1;
    std::uint32_t extra2;
};
static_assert(sizeof(CurrentFormRecord) == 112);
static_assert(offsetof(CurrentFormRecord, id) == 64);
static_assert(offsetof(CurrentFormRecord, width) == 68);
static_assert(offsetof(CurrentFormRecord, height) == 72);
static_assert(offsetof(CurrentFormRecord, left) == 76);
static_assert(offsetof(CurrentFormRecord, top) == 80);
static_assert(offsetof(CurrentFormRecord, right) == 84);
static_assert(offsetof(CurrentFormRecord, bottom) == 88);
static_assert(offsetof(CurrentFormRecord, flags) == 92);
static_assert(offsetof(CurrentFormRecord, gap) == 96);
static_assert(offsetof(CurrentFormRecord, gapOffset) == 100);
static_assert(offsetof(CurrentFormRecord, extra1) == 104);
static_assert(offsetof(CurrentFormRecord, extra2) == 108);

// The current form for a paper: name, id, size, margins as edges, flags, gap and extras.
CurrentFormRecord CurrentFormFromPaper(const PaperRecord& paper);

}  // namespace kelno
