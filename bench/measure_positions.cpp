// measure_positions [CORPUS]: the position reader against a corpus of
// warning texts (tests/data/warning_positions.txt unless another file in its
// format is given). Prints recall and precision of the positions, how many
// geometries were read right, the positions read in warnings that hold
// none, and every warning read wrong with what was expected and read.
#include <cstdio>
#include <string>

#include "support/position_corpus.h"

int main(int argc, char** argv) {
    using namespace wavelore::test;
    if (argc > 2) {
        std::fprintf(stderr, "usage: measure_positions [CORPUS]\n");
        return 2;
    }
    std::string error;
    const auto corpus = LoadPositionCorpus(argc == 2 ? argv[1] : PositionCorpusPath(), error);
    if (corpus.empty()) {
        std::fprintf(stderr, "measure_positions: %s\n",
                     error.empty() ? "no warnings in the corpus" : error.c_str());
        return 1;
    }
    const CorpusScore score = ScorePositionReader(corpus);
    for (const std::string& fault : score.faults) {
        std::printf("%s\n", fault.c_str());
    }
    std::printf("warnings %zu (%zu without positions)\n", score.warnings,
                score.warningsWithoutPositions);
    std::printf("positions expected %zu, read %zu, found %zu\n", score.expectedPositions,
                score.readPositions, score.foundPositions);
    std::printf("recall %.2f %%, precision %.2f %%\n", 100.0 * score.Recall(),
                100.0 * score.Precision());
    std::printf("false positions in warnings without any: %zu\n", score.falsePositionsInThem);
    std::printf("geometries right %zu of %zu\n", score.rightGeometries, score.expectedGeometries);
    return 0;
}
