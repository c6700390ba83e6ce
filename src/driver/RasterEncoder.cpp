#include "driver/RasterEncoder.h"

#include <algorithm>

namespace driver {

namespace {

void Append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void Feed(std::uint32_t dots, std::vector<std::uint8_t>& out) {
    while (dots > 0) {
        const std::uint32_t step = std::min(dots, kMostFeed);
        out.insert(out.end(), {kEscape, kFeed, static_cast<std::uint8_t>(step)});
        dots -= step;
    }
}

// A row as the printer gets it: cut to the printable bytes, the pixels past
// the width cleared.
class Rows {
public:
    Rows(const MonoPage& page, std::uint32_t printableWidth)
        : page_(page), width_(std::min(page.width, printableWidth)), bytes_((width_ + 7) / 8),
          flip_(page.ink == Ink::ClearBits ? 0xFF : 0x00) {
        const std::uint32_t spare = bytes_ * 8 - width_;
        lastMask_ = static_cast<std::uint8_t>(0xFF << spare);
    }

    std::uint32_t Bytes() const { return bytes_; }

    std::uint8_t At(std::uint32_t row, std::uint32_t column) const {
        const auto byte = static_cast<std::uint8_t>(page_.bits[static_cast<std::size_t>(row) * page_.stride + column] ^ flip_);
        return column + 1 == bytes_ ? static_cast<std::uint8_t>(byte & lastMask_) : byte;
    }

    // Bytes up to and with the last one that prints; 0 for a blank row.
    std::uint32_t Used(std::uint32_t row) const {
        for (std::uint32_t column = bytes_; column > 0; --column)
            if (At(row, column - 1) != 0) return column;
        return 0;
    }

private:
    const MonoPage& page_;
    std::uint32_t width_;
    std::uint32_t bytes_;
    std::uint8_t flip_;
    std::uint8_t lastMask_ = 0xFF;
};

void Band(const Rows& rows, std::uint32_t first, std::uint32_t count, std::uint32_t used,
          std::vector<std::uint8_t>& out) {
    out.insert(out.end(), std::begin(kRasterBand), std::end(kRasterBand));
    out.insert(out.end(), {static_cast<std::uint8_t>(used & 0xFF), static_cast<std::uint8_t>(used >> 8),
                           static_cast<std::uint8_t>(count & 0xFF), static_cast<std::uint8_t>(count >> 8)});
    for (std::uint32_t row = first; row < first + count; ++row)
        for (std::uint32_t column = 0; column < used; ++column) out.push_back(rows.At(row, column));
}

}  // namespace

MonoPage TurnToPortrait(const MonoPage& landscape, std::vector<std::uint8_t>& bits) {
    const std::uint32_t width = landscape.height, height = landscape.width;
    const std::uint32_t stride = (width + 7) / 8;
    const bool clear = landscape.ink == Ink::ClearBits;
    // Paper first, then the ink pixels copied across.
    bits.assign(static_cast<std::size_t>(stride) * height, clear ? 0xFF : 0x00);
    for (std::uint32_t y = 0; y < landscape.height; ++y) {
        const std::uint8_t* row = landscape.bits + static_cast<std::size_t>(y) * landscape.stride;
        const std::uint32_t column = width - 1 - y;
        const auto mask = static_cast<std::uint8_t>(0x80 >> (column % 8));
        for (std::uint32_t x = 0; x < landscape.width; ++x) {
            const bool set = (row[x / 8] & (0x80 >> (x % 8))) != 0;
            if (set == clear) continue;  // paper
            std::uint8_t& target = bits[static_cast<std::size_t>(x) * stride + column / 8];
            target = clear ? static_cast<std::uint8_t>(target & ~mask) : static_cast<std::uint8_t>(target | mask);
        }
    }
    return {width, height, stride, bits.data(), landscape.ink};
}

void EncodeDocumentStart(const PrinterModel& model, std::uint16_t darkness, std::vector<std::uint8_t>& out) {
    Append(out, model.initialise);
    if (model.darkness.empty()) return;
    Append(out, model.darkness);
    out.push_back(static_cast<std::uint8_t>(std::clamp<std::uint16_t>(darkness, 1, 15)));
}

bool EncodePage(const PrinterModel& model, const MonoPage& page, std::vector<std::uint8_t>& out,
                std::vector<std::size_t>* bandEnds) {
    if (page.bits == nullptr || page.width == 0 || page.stride < (page.width + 7) / 8 || model.bandRows == 0 ||
        model.printableWidth == 0)
        return false;
    const Rows rows(page, model.printableWidth);
    const std::uint32_t height = std::min(page.height, model.printableHeight);
    std::uint32_t blank = 0;
    for (std::uint32_t row = 0; row < height;) {
        std::uint32_t used = rows.Used(row);
        if (used == 0) {
            ++blank;
            ++row;
            continue;
        }
        Feed(blank, out);
        blank = 0;
        // A band: the black rows from here, as many as the model takes.
        std::uint32_t count = 1;
        while (count < model.bandRows && row + count < height) {
            const std::uint32_t next = rows.Used(row + count);
            if (next == 0) break;
            used = std::max(used, next);
            ++count;
        }
        Band(rows, row, count, used, out);
        if (bandEnds != nullptr) bandEnds->push_back(out.size());
        row += count;
    }
    if (!model.cut.empty()) Feed(blank, out);
    Append(out, model.pageEnd);
    Append(out, model.cut);
    return true;
}

}  // namespace driver
