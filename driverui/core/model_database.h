#pragma once
// The model database document: the JSON resource "JSON" 119 of the configuration DLL, applied
// to a model record by PrinterModel::LoadJson (declared in printer_model.h).
#include <cstdint>

namespace kelno {

inline constexpr std::uint16_t kModelDatabaseResourceId = 119;
inline constexpr char16_t kModelDatabaseResourceType[] = u"JSON";

// Converts a millimetre value of a paper object the way the paper list always has: multiplied
// by 1000 in single precision and truncated (saturated to the 32-bit range).
std::int32_t PaperMicrometres(double millimetres);

}  // namespace kelno
