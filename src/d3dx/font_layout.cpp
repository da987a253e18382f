// DrawTextA layout: lines, alignment, clipping.
#include "d3dx/font_layout.h"

#include <algorithm>

namespace {

// Tab stops of DT_EXPANDTABS lie every eight average characters from the line's start.
constexpr int kTabStopChars = 8;

struct LineRange {
    int begin = 0;
    int end = 0;
};

bool IsBreak(char c)
{
    return c == '\n' || c == '\r';
}

// Advance of one byte at pen offset `pen` from the line's start.
int Advance(const FontData& font, unsigned char byte, int pen, std::uint32_t format)
{
    if (byte == '\t' && (format & DT_EXPANDTABS) != 0) {
        int stop = std::max(1, font.metrics.aveCharWidth * kTabStopChars);
        return (pen / stop + 1) * stop - pen;
    }
    if (byte < 0x20) {
        return 0;  // control characters take no room
    }
    return font.glyphs[byte].advance;
}

int MeasureRange(const FontData& font, const char* text, int begin, int end, std::uint32_t format)
{
    int pen = 0;
    for (int i = begin; i < end; ++i) {
        pen += Advance(font, static_cast<unsigned char>(text[i]), pen, format);
    }
    return pen;
}

// Greedy word wrap of one hard line: breaks before a word that would cross `limit`; a word too long
// for a line of its own stays whole. Spaces at a break are dropped.
void WrapLine(const FontData& font, const char* text, LineRange hard, int limit, std::uint32_t format,
              std::vector<LineRange>* lines)
{
    int start = hard.begin;
    int i = hard.begin;
    while (i < hard.end) {
        int wordStart = i;
        while (wordStart < hard.end && text[wordStart] == ' ') {
            ++wordStart;
        }
        int wordEnd = wordStart;
        while (wordEnd < hard.end && text[wordEnd] != ' ') {
            ++wordEnd;
        }
        if (wordEnd == wordStart) {
            break;
        }
        if (i > start && MeasureRange(font, text, start, wordEnd, format) > limit) {
            lines->push_back({start, i});
            start = wordStart;
        }
        i = wordEnd;
    }
    lines->push_back({start, hard.end});
}

int FloorHalf(int value)
{
    return value >= 0 ? value / 2 : -((1 - value) / 2);
}

// Clips a quad to the box; false when nothing of it is left.
bool ClipQuad(const FontBox& box, FontQuad* q)
{
    int x0 = std::max(q->x, box.left);
    int y0 = std::max(q->y, box.top);
    int x1 = std::min(q->x + q->width, box.right);
    int y1 = std::min(q->y + q->height, box.bottom);
    if (x0 >= x1 || y0 >= y1) {
        return false;
    }
    q->atlasX += x0 - q->x;
    q->atlasY += y0 - q->y;
    q->x = x0;
    q->y = y0;
    q->width = x1 - x0;
    q->height = y1 - y0;
    return true;
}

}  // namespace

int FontLineWidth(const FontData& font, const char* text, int count)
{
    if (text == nullptr || count <= 0) {
        return 0;
    }
    int end = 0;
    while (end < count && text[end] != '\0') {
        ++end;
    }
    return MeasureRange(font, text, 0, end, 0);
}

int FontLayout(const FontData& font, const char* text, int count, FontBox* box, std::uint32_t format,
               std::vector<FontQuad>* quads)
{
    if (quads != nullptr) {
        quads->clear();
    }
    if (text == nullptr || box == nullptr || count == 0) {
        return 0;
    }
    int length = 0;
    while ((count < 0 || length < count) && text[length] != '\0') {
        ++length;
    }
    if (length == 0) {
        return 0;
    }

    // Hard lines at the breaks ("\r\n" counts once), then word wrap inside the box.
    bool single = (format & DT_SINGLELINE) != 0;
    std::vector<LineRange> hard;
    if (single) {
        hard.push_back({0, length});
    } else {
        int begin = 0;
        for (int i = 0; i < length; ++i) {
            if (IsBreak(text[i])) {
                hard.push_back({begin, i});
                if (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n') {
                    ++i;
                }
                begin = i + 1;
            }
        }
        hard.push_back({begin, length});
    }
    std::vector<LineRange> lines;
    int boxWidth = box->right - box->left;
    if ((format & DT_WORDBREAK) != 0 && !single) {
        for (const LineRange& h : hard) {
            WrapLine(font, text, h, boxWidth, format, &lines);
        }
    } else {
        lines = std::move(hard);
    }

    // In a single line the break characters are not drawn; they measure as control characters.
    std::vector<int> widths;
    int maxWidth = 0;
    for (const LineRange& line : lines) {
        widths.push_back(MeasureRange(font, text, line.begin, line.end, format));
        maxWidth = std::max(maxWidth, widths.back());
    }
    int lineHeight = font.metrics.height;
    int total = static_cast<int>(lines.size()) * lineHeight;

    if ((format & DT_CALCRECT) != 0) {
        box->right = box->left + maxWidth;
        box->bottom = box->top + total;
        return total;
    }

    int top = box->top;
    if ((format & DT_BOTTOM) != 0) {
        top = box->bottom - total;
    } else if ((format & DT_VCENTER) != 0) {
        top = box->top + FloorHalf(box->bottom - box->top - total);
    }
    bool clip = (format & DT_NOCLIP) == 0;

    if (quads != nullptr) {
        for (std::size_t n = 0; n < lines.size(); ++n) {
            int left = box->left;
            if ((format & DT_RIGHT) != 0) {
                left = box->right - widths[n];
            } else if ((format & DT_CENTER) != 0) {
                left = box->left + FloorHalf(boxWidth - widths[n]);
            }
            int lineTop = top + static_cast<int>(n) * lineHeight;
            int pen = 0;
            for (int i = lines[n].begin; i < lines[n].end; ++i) {
                auto byte = static_cast<unsigned char>(text[i]);
                const FontGlyph& g = font.glyphs[byte];
                if (byte >= 0x20 && g.width > 0 && g.height > 0) {
                    FontQuad q{left + pen + g.left,
                               lineTop + font.metrics.ascent - g.top,
                               g.width,
                               g.height,
                               g.atlasX,
                               g.atlasY};
                    if (!clip || ClipQuad(*box, &q)) {
                        quads->push_back(q);
                    }
                }
                pen += Advance(font, byte, pen, format);
            }
        }
    }
    if ((format & (DT_BOTTOM | DT_VCENTER)) != 0) {
        return top + total - box->top;
    }
    return total;
}
