#include "tools/core/bmp_rle.h"

#include "tools/core/texts.h"

namespace {

struct Canvas {
    uint32_t bits, width, height;
    size_t stride;
    uint8_t* rows;
    uint32_t x = 0, y = 0;

    // Pixels of a run past the row's width are dropped, as the system draws them: encoders
    // write runs that take in a row's padding.
    void Put(uint32_t colour) {
        if (x >= width)
            return;
        uint8_t* row = rows + y * stride;
        if (bits == 8) {
            row[x] = static_cast<uint8_t>(colour);
        } else {
            uint8_t& pair = row[x / 2];
            pair = x % 2 ? (pair & 0xF0) | (colour & 0x0F)
                         : static_cast<uint8_t>((pair & 0x0F) | colour << 4);
        }
        ++x;
    }
};

bool Refuse(std::string* reason, Text why) {
    *reason = Say(why);
    return false;
}

}  // namespace

bool ExpandRle(const uint8_t* stream, size_t length, uint32_t bits, uint32_t width, uint32_t height,
               size_t stride, uint8_t* rows, std::string* reason) {
    Canvas canvas{bits, width, height, stride, rows};
    size_t at = 0;
    for (;;) {
        if (length - at < 2)
            return Refuse(reason, Text::kRleNoEnd);
        uint32_t first = stream[at], second = stream[at + 1];
        at += 2;
        if (first > 0) {
            if (canvas.y >= height)
                return Refuse(reason, Text::kRleRunPastLastRow);
            for (uint32_t i = 0; i < first; ++i)
                canvas.Put(bits == 8 ? second : i % 2 ? second & 0x0F : second >> 4);
        } else if (second == 0) {
            if (canvas.y >= height)
                return Refuse(reason, Text::kRleRowPastLastRow);
            canvas.x = 0;
            ++canvas.y;
        } else if (second == 1) {
            return true;
        } else if (second == 2) {
            if (length - at < 2)
                return Refuse(reason, Text::kRleEndsInMove);
            uint32_t dx = stream[at], dy = stream[at + 1];
            at += 2;
            if (dx > width - canvas.x || dy > height - canvas.y)
                return Refuse(reason, Text::kRleMovesPastEdge);
            canvas.x += dx;
            canvas.y += dy;
        } else {
            size_t bytes = bits == 8 ? second : (second + 1) / 2;
            bytes += bytes % 2;
            if (length - at < bytes)
                return Refuse(reason, Text::kRleEndsInRun);
            if (canvas.y >= height)
                return Refuse(reason, Text::kRleRunPastLastRow);
            const uint8_t* colours = stream + at;
            for (uint32_t i = 0; i < second; ++i)
                canvas.Put(bits == 8 ? colours[i]
                           : i % 2   ? colours[i / 2] & 0x0F
                                     : colours[i / 2] >> 4);
            at += bytes;
        }
    }
}
