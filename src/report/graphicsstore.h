#pragma once
// The document's pen, brush and font records, each kept once per document. With comparison on,
// a record equal to a stored one is shared instead of stored again, so a long report holds a
// handful of records instead of three per object.

#include <cstddef>
#include <vector>

#include "report/graphicsrecords.h"

namespace volarin {

using PenId = std::size_t;
using BrushId = std::size_t;
using FontId = std::size_t;

class GraphicsStore {
 public:
  void SetCompareGraphics(bool on) { compare_ = on; }
  bool CompareGraphics() const { return compare_; }

  PenId Add(const PenRecord& pen) { return AddTo(pens_, pen); }
  BrushId Add(const BrushRecord& brush) { return AddTo(brushes_, brush); }
  FontId Add(const FontRecord& font) { return AddTo(fonts_, font); }

  const PenRecord& Pen(PenId id) const { return pens_.at(id); }
  const BrushRecord& Brush(BrushId id) const { return brushes_.at(id); }
  const FontRecord& Font(FontId id) const { return fonts_.at(id); }

  std::size_t PenCount() const { return pens_.size(); }
  std::size_t BrushCount() const { return brushes_.size(); }
  std::size_t FontCount() const { return fonts_.size(); }

 private:
  template <typename Record>
  std::size_t AddTo(std::vector<Record>& records, const Record& record) {
    if (compare_) {
      for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i] == record) return i;
      }
    }
    records.push_back(record);
    return records.size() - 1;
  }

  bool compare_ = false;
  std::vector<PenRecord> pens_;
  std::vector<BrushRecord> brushes_;
  std::vector<FontRecord> fonts_;
};

}  // namespace volarin
