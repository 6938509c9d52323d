#pragma once
// Display texts as an instrument sends them, and a window that records what the presenter asks of
// it, for the front panel tests.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/FrontPanelPresenter.h"

namespace talven::test {

inline std::string Fit(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

/// One instrument display: line 1 is mode (12), message (19) and reading (9); line 2 the eight key
/// captions of 5 characters. Attributes are one byte per character, as the instruments write them
/// ('0' black, '1' red, '2' blue, '7' key captions, 'r' emphasised blue).
struct PanelDisplay {
    std::string mode = "SAMPLE";
    std::string message = "RANGE=20.0 PPB";
    std::string reading;
    std::array<std::string, 8> keys{"<TST", "TST>", "CAL", "", "", "", "", "SETUP"};
    char modeAttribute = '0';
    char messageAttribute = '0';
    char readingAttribute = '2';
    char keyAttribute = '7';

    std::string Text() const {
        std::string text = Fit(mode, 12) + Fit(message, 19) + Fit(reading, 9);
        for (const std::string& key : keys)
            text += Fit(key, 5);
        return text;
    }
    std::string Attributes() const {
        return std::string(12, modeAttribute) + std::string(19, messageAttribute) +
               std::string(9, readingAttribute) + std::string(40, keyAttribute);
    }
    std::array<std::string, 3> Texts() const { return {Text(), Attributes(), Attributes()}; }
};

inline std::array<std::string, 3> WithReading(const std::string& reading, char attribute = '2') {
    PanelDisplay d;
    d.reading = reading;
    d.readingAttribute = attribute;
    return d.Texts();
}

class RecordingPanelView : public FrontPanelView {
  public:
    void StartRowLayoutTimer(int ms) override { timerStarts.push_back(ms); }
    void RunPanelWindow(PanelWindow window) override {
        windowsRun.push_back(window);
        if (whileRunning)
            whileRunning(window);
    }

    std::vector<int> timerStarts;
    std::vector<PanelWindow> windowsRun;
    /// Runs while the "modal window" is open.
    std::function<void(PanelWindow)> whileRunning;
};

}  // namespace talven::test
