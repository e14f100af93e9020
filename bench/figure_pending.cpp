// Figures that need the catalogue layer; without it they only say so.
#include "bench/figures.h"

namespace kodexa::bench {

void FigureSearch(const Options&, Table& table) { table.Note("figure 1: the catalogue layer is not built"); }
void FigureLookup(const Options&, Table& table) { table.Note("figure 3: the catalogue layer is not built"); }
void FigureImport(const Options&, Table& table) { table.Note("figure 4: the catalogue layer is not built"); }
void FigureMemory(const Options&, Table& table) { table.Note("figure 6b: the catalogue layer is not built"); }
void FigureAlphaSearch(const Options&, Table& table) { table.Note("figure 7: the catalogue layer is not built"); }
int MemoryChild(const std::string&, int) { return 2; }
void FigureWords(const Options&, Table& table) { table.Note("figure 8: the catalogue layer is not built"); }
int WindowSearchChild(const std::string&, int, const std::string&) { return 2; }
int TypedSearchChild(const std::string&, int, const std::string&) { return 2; }

}  // namespace kodexa::bench
