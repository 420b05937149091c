#include "sdr/radio_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "sdr/channelizer.h"

namespace wavelore {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

double RadioSettings::Centre() const {
    if (centreHz > 0.0) {
        return centreHz;
    }
    const std::vector<double> wanted =
        channels.empty() ? std::vector<double>{kNavtexChannels[0], kNavtexChannels[1]} : channels;
    const auto [low, high] = std::minmax_element(wanted.begin(), wanted.end());
    return (*low + *high) / 2;
}

SdrSettings RadioSettings::Sdr() const {
    SdrSettings sdr;
    sdr.args = args;
    sdr.sampleRate = sampleRate;
    sdr.centreHz = Centre() + upconverterHz;
    sdr.gainDb = gainDb;
    sdr.ppm = ppm;
    sdr.directSampling = directSampling;
    return sdr;
}

IqFormat RadioSettings::AntennaBand(const IqFormat& tuned) const {
    IqFormat band = tuned;
    band.centreHz -= upconverterHz;
    return band;
}

std::vector<double> RadioSettings::ChannelsIn(const IqFormat& band) const {
    return CChannelizer::CoveredChannels(
        band.sampleRate, band.centreHz,
        channels.empty()
            ? std::vector<double>(std::begin(kNavtexChannels), std::end(kNavtexChannels))
            : channels);
}

std::optional<double> RadioSettings::ParseFrequency(std::string_view text) {
    text = Trimmed(text);
    double scale = 1.0;
    for (const std::string_view suffix : {"kHz", "khz", "k", "K"}) {
        if (text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix) {
            text.remove_suffix(suffix.size());
            scale = 1000.0;
            break;
        }
    }
    const std::string number(Trimmed(text));
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (number.empty() || end != number.c_str() + number.size() || !(value > 0.0) ||
        value * scale > 1e11) {
        return std::nullopt;
    }
    return value * scale;
}

namespace {

// Each item of a comma-separated list as its frequency; none when one is
// no frequency. kiloByDefault: a bare number below 100000 is kHz.
std::optional<std::vector<double>> ParseList(std::string_view text, bool kiloByDefault) {
    std::vector<double> channels;
    while (!Trimmed(text).empty()) {
        const size_t comma = text.find(',');
        const std::string_view item = Trimmed(text.substr(0, comma));
        std::optional<double> hz = RadioSettings::ParseFrequency(item);
        if (!hz) {
            return std::nullopt;
        }
        const bool bare = std::isdigit(static_cast<unsigned char>(item.back())) != 0;
        if (kiloByDefault && bare && *hz < 100000.0) {
            *hz *= 1000.0;
        }
        channels.push_back(*hz);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return channels;
}

}  // namespace

std::optional<std::vector<double>> RadioSettings::ParseChannels(std::string_view text) {
    return ParseList(text, false);
}

std::optional<std::vector<double>> RadioSettings::ParseChannelsKhz(std::string_view text) {
    return ParseList(text, true);
}

bool RadioSettings::ParseGain(std::string_view text, std::optional<double>& gainDb) {
    text = Trimmed(text);
    if (text.empty() || text == "auto") {
        gainDb.reset();
        return true;
    }
    const std::string number(text);
    char* end = nullptr;
    const double db = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || !(db > -100.0 && db < 200.0)) {
        return false;
    }
    gainDb = db;
    return true;
}

std::string RadioSettings::GainText(const std::optional<double>& gainDb) {
    if (!gainDb) {
        return "auto";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%g", *gainDb);
    return text;
}

std::string RadioSettings::ChannelsText(const std::vector<double>& channels) {
    std::string text;
    for (const double hz : channels) {
        char item[32];
        std::snprintf(item, sizeof item, "%.10gk", hz / 1000.0);
        text += (text.empty() ? "" : ", ") + std::string(item);
    }
    return text;
}

}  // namespace wavelore
