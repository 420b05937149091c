// Cost of appending decoded text to a full text view: the model alone, and
// the widget with painting, offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <string>
#include <string_view>

#include "display/text_view_model.h"
#include "gui/color_edit_wnd.h"

namespace {

using namespace wavelore;

// About what the decoder hands over with a line end: 40 characters.
const std::u16string kChunk = u"NAVAREA I 0123 GALE WARNING FORCE 8\r\n";

// A view filled to its line limit with lines of a NAVTEX message's width.
std::u16string FullText() {
    std::u16string text;
    for (int i = 0; i < CTextViewModel::kMaxLines; ++i) {
        text += u"IN AREA 5512N 00430W TO 5530N 00300W NAVIGATION DANGER ";
        text += std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
        text += u"\r\n";
    }
    return text;
}

void BM_ModelAppendToFullView(benchmark::State& state) {
    CTextViewModel model;
    model.SetViewSize(25, 88);
    model.AppendText(FullText());
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.AppendText(kChunk));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kChunk.size()));
}
BENCHMARK(BM_ModelAppendToFullView);

// The main window's raw data view, filled, at the end of the text, with a
// selection on screen. Painting goes through Qt's own path: the update
// the append asks for is painted and flushed by processing the events.
class FullView {
  public:
    FullView() {
        m_view.resize(720, 400);
        m_view.SetReadOnly(true);
        m_view.SetSelectionColor(QColor(0, 0, 255));
        m_view.show();
        m_view.AppendText(FullText());
        QApplication::processEvents();
    }
    void Append(std::u16string_view text) {
        m_view.AppendText(text);
        QApplication::processEvents();
    }

  private:
    ColorEditWnd m_view;
};

// A whole line at once: the view follows the end, so every line on screen
// moves and is painted again.
void BM_WidgetAppendLineAndPaint(benchmark::State& state) {
    FullView view;
    for (auto _ : state) {
        view.Append(kChunk);
    }
}
BENCHMARK(BM_WidgetAppendLineAndPaint)->Unit(benchmark::kMicrosecond);

// As the decoder delivers it: a character or two per sound buffer, a line
// end every 20 buffers. Without a line feed only the last line is painted.
void BM_WidgetAppendCharactersAndPaint(benchmark::State& state) {
    FullView view;
    int64_t buffers = 0;
    for (auto _ : state) {
        view.Append(++buffers % 20 == 0 ? u"\r\n" : u"AB");
    }
}
BENCHMARK(BM_WidgetAppendCharactersAndPaint)->Unit(benchmark::kMicrosecond);

}  // namespace
