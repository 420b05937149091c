#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "geo/warning_geometry.h"

namespace wavelore::test {

// One warning of tests/data/warning_positions.txt and what it holds.
struct CorpusWarning {
    std::string name;  // the "@@" line without "@@ "
    int line = 0;      // of the "@@" line
    std::u16string text;
    std::vector<WarningGeometry> expected;
};

// The warnings of a corpus file, texts with CR LF line ends; an empty list
// and a reason when the file cannot be read or a line is not understood.
std::vector<CorpusWarning> LoadPositionCorpus(const std::filesystem::path& path,
                                              std::string& error);

// The reader against a corpus. A position counts once per geometry vertex
// (a circle's centre; an area's closing repeat not at all) and is found
// when the reader gives one within 0.001 minutes of arc in the same
// message; a geometry is right when the reader gives one of the same kind
// with the same positions in the same order (and radius within 1 %).
struct CorpusScore {
    size_t warnings = 0;
    size_t expectedPositions = 0;
    size_t readPositions = 0;
    size_t foundPositions = 0;  // expected and read
    size_t expectedGeometries = 0;
    size_t rightGeometries = 0;
    size_t warningsWithoutPositions = 0;
    size_t falsePositionsInThem = 0;  // read where none stands
    std::vector<std::string> faults;  // one line for each warning read wrong

    double Recall() const;     // found / expected
    double Precision() const;  // found / read
};

CorpusScore ScorePositionReader(const std::vector<CorpusWarning>& corpus);

// A year of warnings as the store would give them: the corpus's features
// copies times over (20: some 5,000), each copy received on another day,
// each warning under the code its "@@" line names.
std::vector<WarningFeature> YearOfFeatures(const std::vector<CorpusWarning>& corpus,
                                           int copies = 20);

// The corpus file in the source tree.
std::filesystem::path PositionCorpusPath();

}  // namespace wavelore::test
