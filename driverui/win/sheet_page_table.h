#pragma once
// Fills the core's page table with the pages of the printing preferences and the printer
// properties, in sheet order. Called once by DllMain.
namespace kelno {

void RegisterDriverPages();

}  // namespace kelno
