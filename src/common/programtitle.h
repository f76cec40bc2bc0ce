#pragma once
// The program's title: the caption of its windows and error boxes, and the creator of its PDFs.

namespace volarin {

inline constexpr const char* kProgramTitle = "VOLARIN Positive Pay";

}  // namespace volarin
