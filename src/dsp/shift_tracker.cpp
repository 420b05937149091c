#include "dsp/shift_tracker.h"

#include <cmath>
#include <string_view>

#include "dsp/ccir476_table.h"

namespace wavelore {

namespace {

constexpr int kLetters = 0;
constexpr int kFigures = 1;

// ln P(word | state): a rough model of NAVTEX text. In letters: letters,
// spaces and line ends; a figures shift now and then, a letters shift
// rarely (only to be sure). In figures: digits and the usual signs of
// positions, times and numbers, and a letters shift soon after.
struct Priors {
    std::array<std::array<double, kCcir476WordCount>, 2> log{};
};

// The line feed prints nothing (a carriage return brings its own) but is
// text all the same.
constexpr uint32_t kLineFeed = 0x6C;

bool IsText(uint32_t code) {
    return code == kLineFeed ||
           (kCcir476Letters[code] != '%' && code != kCcirLetters && code != kCcirFigures);
}

bool IsCommonFigure(uint32_t code) {
    constexpr std::string_view kCommonFigures = "0123456789-/.,:()?+ \r";
    return code == kLineFeed ||
           (IsText(code) && kCommonFigures.find(kCcir476Figures[code]) != std::string_view::npos);
}

Priors MakePriors() {
    Priors p;
    const auto& words = Ccir476Words();
    int text = 0;
    int common = 0;
    for (const uint8_t code : words) {
        text += IsText(code) ? 1 : 0;
        common += IsCommonFigure(code) ? 1 : 0;
    }
    for (int w = 0; w < kCcir476WordCount; ++w) {
        const uint8_t code = words[static_cast<size_t>(w)];
        double letters = 0.0;
        double figures = 0.0;
        if (code == kCcirLetters) {
            letters = 0.01;
            figures = 0.2;
        } else if (code == kCcirFigures) {
            letters = 0.05;
            figures = 0.005;
        } else if (!IsText(code)) {
            // Phasing signals and the like: they print nothing.
            letters = 0.001;
            figures = 0.001;
        } else {
            letters = 0.93 / text;
            figures = IsCommonFigure(code) ? 0.78 / common : 0.005 / (text - common);
        }
        p.log[kLetters][static_cast<size_t>(w)] = std::log(letters);
        p.log[kFigures][static_cast<size_t>(w)] = std::log(figures);
    }
    return p;
}

const Priors& ThePriors() {
    static const Priors priors = MakePriors();
    return priors;
}

int WordIndex(uint32_t code) {
    const auto& words = Ccir476Words();
    for (int w = 0; w < kCcir476WordCount; ++w) {
        if (words[static_cast<size_t>(w)] == code) {
            return w;
        }
    }
    return -1;
}

}  // namespace

CShiftTracker::CShiftTracker() {
    ThePriors();
    Reset();
}

void CShiftTracker::Reset() {
    m_metric = {0.0, -INFINITY};
    m_first = 0;
    m_held = 0;
}

int CShiftTracker::Push(const std::array<double, kCcir476WordCount>& fit, double reliability,
                        Decision* out) {
    static const int lettersWord = WordIndex(kCcirLetters);
    static const int figuresWord = WordIndex(kCcirFigures);
    const Priors& priors = ThePriors();
    std::array<double, 2> next = {-INFINITY, -INFINITY};
    Step step;
    step.reliability = reliability;
    for (int s = 0; s < 2; ++s) {
        if (m_metric[static_cast<size_t>(s)] == -INFINITY) {
            continue;
        }
        for (int w = 0; w < kCcir476WordCount; ++w) {
            const double score = m_metric[static_cast<size_t>(s)] + fit[static_cast<size_t>(w)] +
                                 priors.log[static_cast<size_t>(s)][static_cast<size_t>(w)];
            const int after = w == lettersWord ? kLetters : w == figuresWord ? kFigures : s;
            if (score > next[static_cast<size_t>(after)]) {
                next[static_cast<size_t>(after)] = score;
                step.previous[static_cast<size_t>(after)] = static_cast<uint8_t>(s);
                step.word[static_cast<size_t>(after)] = static_cast<uint8_t>(w);
            }
        }
    }
    // Only differences matter; keep the numbers small.
    const double top = std::max(next[0], next[1]);
    m_metric = {next[0] - top, next[1] - top};

    m_steps[static_cast<size_t>((m_first + m_held) % (kLag + 1))] = step;
    ++m_held;
    if (m_held <= kLag) {
        return 0;
    }
    *out = Oldest();
    m_first = (m_first + 1) % (kLag + 1);
    --m_held;
    return 1;
}

int CShiftTracker::Flush(Decision* out) {
    int n = 0;
    while (m_held > 0) {
        out[n++] = Oldest();
        m_first = (m_first + 1) % (kLag + 1);
        --m_held;
    }
    const bool letters = Letters();
    m_metric = {letters ? 0.0 : -INFINITY, letters ? -INFINITY : 0.0};
    return n;
}

CShiftTracker::Decision CShiftTracker::Oldest() const {
    int state = m_metric[0] >= m_metric[1] ? kLetters : kFigures;
    for (int i = m_held - 1; i > 0; --i) {
        state = m_steps[static_cast<size_t>((m_first + i) % (kLag + 1))]
                    .previous[static_cast<size_t>(state)];
    }
    const Step& oldest = m_steps[static_cast<size_t>(m_first)];
    Decision d;
    d.code = Ccir476Words()[static_cast<size_t>(oldest.word[static_cast<size_t>(state)])];
    d.letters = oldest.previous[static_cast<size_t>(state)] == kLetters;
    d.reliability = oldest.reliability;
    return d;
}

}  // namespace wavelore
