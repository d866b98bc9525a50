// Builds the manual's pages: lays out a page description (UTF-8 text, see manualprint/manual/README.md)
// with the system's Japanese fonts and records it with GDI into an enhanced metafile of 200 x 287 mm.
// Runs under Wine at build time; the programs never link it.
//   pagemaker page  DESCRIPTION.txt PICTURE_DIR OUT.emf   one page
//   pagemaker render PAGE.emf OUT.bmp WIDTH               play a page into a bitmap, for review
#include <windows.h>

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

// The reference device: 2360 x 3387 pixels for 200 x 287 mm (about 300 dpi).
static const int kDeviceWidth = 2360, kDeviceHeight = 3387;
static const int kPageWidthMm = 200, kPageHeightMm = 287;
static const double kPxPerMm = 2360.0 / 200.0;

static int Px(double mm)
{
    return (int)lround(mm * kPxPerMm);
}

// Layout of every page, in mm.
static const double kLeft = 18, kRight = 182, kTop = 14, kBottom = 272, kFooter = 278;

static const char *gSourceName = "";
static int gSourceLine;

[[noreturn]] static void Fail(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    fprintf(stderr, "pagemaker: %s:%d: ", gSourceName, gSourceLine);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    exit(1);
}

// UTF-8 from the description to Shift-JIS for the ANSI text calls; a character without a
// Shift-JIS form stops the build rather than printing a question mark.
static std::string ToShiftJis(const std::string &utf8)
{
    if (utf8.empty()) return utf8;
    int cw = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), (int)utf8.size(), nullptr, 0);
    if (cw <= 0) Fail("text is not UTF-8");
    std::wstring wide(cw, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &wide[0], cw);
    BOOL usedDefault = FALSE;
    int cb = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), cw, nullptr, 0, "?", &usedDefault);
    std::string out(cb, '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), cw, &out[0], cb, "?", &usedDefault);
    if (usedDefault) Fail("no Shift-JIS form for a character of: %s", utf8.c_str());
    return out;
}

static bool IsLead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

static COLORREF ParseColour(const std::string &hex)
{
    unsigned v = (unsigned)strtoul(hex.c_str(), nullptr, 16);
    return RGB((v >> 16) & 255, (v >> 8) & 255, v & 255);
}

// ---------------------------------------------------------------- fonts

enum Face
{
    FACE_PROPORTIONAL,
    FACE_FIXED
};

struct FontKey
{
    Face face;
    int height; // character height in device pixels
    bool bold;
    bool operator<(const FontKey &o) const
    {
        if (face != o.face) return face < o.face;
        if (height != o.height) return height < o.height;
        return bold < o.bold;
    }
};

struct Fonts
{
    HDC measure = nullptr; // a memory DC: MM_TEXT, so extents come out in device pixels
    std::map<FontKey, HFONT> made;

    HFONT Get(const FontKey &key)
    {
        auto it = made.find(key);
        if (it != made.end()) return it->second;
        // "ＭＳ Ｐゴシック" and "ＭＳ ゴシック": the faces every Japanese Windows has.
        static const char *faces[] = {"\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e",
                                      "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e"};
        // Bold is struck twice (Canvas::Text): the Japanese faces have no bold of their own, and a
        // printer driver does not always simulate one.
        if (key.bold) return made[key] = Get(FontKey{key.face, key.height, false});
        HFONT font = CreateFontA(-key.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                                 (key.face == FACE_FIXED ? FIXED_PITCH : VARIABLE_PITCH) | FF_MODERN, faces[key.face]);
        if (!font) Fail("CreateFont failed");
        made[key] = font;
        return font;
    }
    int Width(const FontKey &key, const char *text, int cb)
    {
        SelectObject(measure, Get(key));
        SIZE size = {0, 0};
        GetTextExtentPoint32A(measure, text, cb, &size);
        return size.cx;
    }
    int Ascent(const FontKey &key)
    {
        SelectObject(measure, Get(key));
        TEXTMETRICA tm;
        GetTextMetricsA(measure, &tm);
        return tm.tmAscent;
    }
};

static Fonts gFonts;

// ---------------------------------------------------------------- the recording DC

struct Canvas
{
    HDC dc = nullptr;
    HFONT font = nullptr;
    COLORREF textColour = 0;

    void UseFont(HFONT f)
    {
        if (f != font) SelectObject(dc, f);
        font = f;
    }
    void TextColour(COLORREF c)
    {
        if (c != textColour) SetTextColor(dc, c);
        textColour = c;
    }
    // Text on a baseline, every character at the advance measured at layout time.
    void Text(int x, int baseline, const FontKey &key, COLORREF colour, const std::string &sjis)
    {
        if (sjis.empty()) return;
        UseFont(gFonts.Get(key));
        TextColour(colour);
        std::vector<INT> dx(sjis.size(), 0);
        for (size_t i = 0; i < sjis.size();)
        {
            size_t n = (IsLead((unsigned char)sjis[i]) && i + 1 < sjis.size()) ? 2 : 1;
            dx[i] = gFonts.Width(key, sjis.data() + i, (int)n);
            i += n;
        }
        ExtTextOutA(dc, x, baseline, 0, nullptr, sjis.data(), (UINT)sjis.size(), dx.data());
        if (key.bold)
            ExtTextOutA(dc, x + Px(0.1) + key.height / 40, baseline, 0, nullptr, sjis.data(), (UINT)sjis.size(),
                        dx.data());
    }
    void Fill(int left, int top, int right, int bottom, COLORREF colour)
    {
        HBRUSH brush = CreateSolidBrush(colour);
        RECT r = {left, top, right, bottom};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    // A rectangle outline `width` pixels thick, inside the rectangle.
    void Frame(int left, int top, int right, int bottom, COLORREF colour, int width)
    {
        Fill(left, top, right, top + width, colour);
        Fill(left, bottom - width, right, bottom, colour);
        Fill(left, top, left + width, bottom, colour);
        Fill(right - width, top, right, bottom, colour);
    }
    void Line(int x1, int y1, int x2, int y2, COLORREF colour, int width)
    {
        HPEN pen = CreatePen(PS_SOLID, width, colour);
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    void Polygon(const POINT *points, int count, COLORREF colour)
    {
        HBRUSH brush = CreateSolidBrush(colour);
        HPEN pen = CreatePen(PS_SOLID, 1, colour);
        HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
        ::Polygon(dc, points, count);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(brush);
        DeleteObject(pen);
    }
    void Ellipse(int left, int top, int right, int bottom, COLORREF fill, COLORREF line, int width)
    {
        HBRUSH brush = CreateSolidBrush(fill);
        HPEN pen = CreatePen(PS_SOLID, width, line);
        HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
        ::Ellipse(dc, left, top, right, bottom);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(brush);
        DeleteObject(pen);
    }
    void Arrow(int x1, int y1, int x2, int y2, COLORREF colour, int width)
    {
        double angle = atan2((double)(y2 - y1), (double)(x2 - x1));
        double head = Px(2.6), spread = 0.42;
        int bx = x2 - (int)lround(cos(angle) * head * 0.8), by = y2 - (int)lround(sin(angle) * head * 0.8);
        Line(x1, y1, bx, by, colour, width);
        POINT tip[3] = {{x2, y2},
                        {x2 - (int)lround(cos(angle - spread) * head), y2 - (int)lround(sin(angle - spread) * head)},
                        {x2 - (int)lround(cos(angle + spread) * head), y2 - (int)lround(sin(angle + spread) * head)}};
        Polygon(tip, 3, colour);
    }
    // Everything drawn until PopClip stays inside the rectangle.
    void PushClip(int left, int top, int right, int bottom)
    {
        SaveDC(dc);
        IntersectClipRect(dc, left, top, right, bottom);
        font = nullptr; // RestoreDC brings the old objects back
    }
    void PopClip()
    {
        RestoreDC(dc, -1);
        font = nullptr;
        textColour = GetTextColor(dc);
    }
};

// ---------------------------------------------------------------- pictures

struct Picture
{
    std::vector<BYTE> file; // the whole BMP file
    const BITMAPINFO *info = nullptr;
    const BYTE *bits = nullptr;
    int width = 0, height = 0;
};

static std::map<std::string, Picture> gPictures;
static std::string gPictureDir;

static const Picture &LoadPicture(const std::string &name)
{
    auto it = gPictures.find(name);
    if (it != gPictures.end()) return it->second;
    std::string path = gPictureDir + "\\" + name + ".bmp";
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) Fail("picture %s not found", path.c_str());
    Picture &p = gPictures[name]; // the map keeps the file's bytes where info and bits point
    fseek(f, 0, SEEK_END);
    p.file.resize(ftell(f));
    fseek(f, 0, SEEK_SET);
    if (fread(p.file.data(), 1, p.file.size(), f) != p.file.size()) Fail("cannot read %s", path.c_str());
    fclose(f);
    if (p.file.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || p.file[0] != 'B' || p.file[1] != 'M')
        Fail("%s is not a BMP file", path.c_str());
    const BITMAPFILEHEADER *fh = (const BITMAPFILEHEADER *)(p.file.data());
    p.info = (const BITMAPINFO *)(p.file.data() + sizeof(BITMAPFILEHEADER));
    if (p.info->bmiHeader.biSize != sizeof(BITMAPINFOHEADER) || p.info->bmiHeader.biCompression != BI_RGB)
        Fail("%s: only uncompressed BMP with a 40-byte header", path.c_str());
    p.bits = p.file.data() + fh->bfOffBits;
    p.width = p.info->bmiHeader.biWidth;
    p.height = abs(p.info->bmiHeader.biHeight);
    return p;
}

// ---------------------------------------------------------------- inline text

struct Style
{
    Face face = FACE_PROPORTIONAL;
    double sizeMm = 3.3;
    bool bold = false;
    COLORREF colour = RGB(0x20, 0x20, 0x20);
    FontKey Key() const
    {
        return FontKey{face, Px(sizeMm), bold};
    }
};

// A piece of text that cannot be split: one double-byte character, or a run of single-byte letters
// and digits, or one other single byte.
struct Atom
{
    std::string sjis;
    Style style;
    int width;
    bool space;
};

static bool IsWordByte(unsigned char c)
{
    return isalnum(c) || c == '_' || c == '.' || c == '-' || c == '%' || c == '+';
}

// Characters that never begin a line, and those that never end one (Japanese line-breaking rules).
static bool NoLineStart(const std::string &s)
{
    static const char *list[] = {"、", "。", "，", "．", "・", "：", "；", "？", "！", "ー", "）",
                                 "」", "』", "】", "〕", "｝", "〉", "》", "］", "ぁ", "ぃ", "ぅ",
                                 "ぇ", "ぉ", "っ", "ゃ", "ゅ", "ょ", "ァ", "ィ", "ゥ", "ェ", "ォ",
                                 "ッ", "ャ", "ュ", "ョ", "’",  "”",  ")",  "]",  ",",  ".",  ":"};
    for (const char *c : list)
        if (s == ToShiftJis(c)) return true;
    return false;
}
static bool NoLineEnd(const std::string &s)
{
    static const char *list[] = {"（", "「", "『", "【", "〔", "｛", "〈", "《", "［", "‘", "“", "(", "["};
    for (const char *c : list)
        if (s == ToShiftJis(c)) return true;
    return false;
}

// Splits UTF-8 text with **bold** and `fixed` marks into atoms of the base style.
static std::vector<Atom> MakeAtoms(const std::string &utf8, const Style &base)
{
    std::vector<Atom> atoms;
    Style style = base;
    size_t i = 0;
    std::string pending;
    auto flush = [&]() {
        std::string s = ToShiftJis(pending);
        pending.clear();
        for (size_t k = 0; k < s.size();)
        {
            unsigned char c = (unsigned char)s[k];
            size_t n = 1;
            if (IsLead(c) && k + 1 < s.size())
                n = 2;
            else if (IsWordByte(c))
                while (k + n < s.size() && IsWordByte((unsigned char)s[k + n])) n++;
            Atom a;
            a.sjis = s.substr(k, n);
            a.style = style;
            a.width = gFonts.Width(style.Key(), a.sjis.data(), (int)n);
            a.space = (n == 1 && c == ' ');
            atoms.push_back(a);
            k += n;
        }
    };
    while (i < utf8.size())
    {
        if (utf8.compare(i, 2, "**") == 0)
        {
            flush();
            style.bold = !style.bold;
            i += 2;
        }
        else if (utf8[i] == '`')
        {
            flush();
            style.face = style.face == FACE_FIXED ? base.face : FACE_FIXED;
            i += 1;
        }
        else
        {
            pending += utf8[i++];
        }
    }
    flush();
    return atoms;
}

struct Line
{
    std::vector<Atom> atoms;
    int width = 0;
};

// Greedy line filling; `widthOf(n)` is the room on the n-th line.
template <typename WidthOf> static std::vector<Line> BreakLines(const std::vector<Atom> &atoms, WidthOf widthOf)
{
    std::vector<Line> lines;
    Line line;
    for (size_t i = 0; i < atoms.size(); i++)
    {
        const Atom &a = atoms[i];
        int room = widthOf(lines.size());
        if (line.atoms.empty() && a.space) continue; // no blank at a line start
        if (line.width + a.width > room && !line.atoms.empty())
        {
            Line next;
            // A closing mark pulls the atom before it down; an opening mark moves down whole.
            if (NoLineStart(a.sjis) && line.atoms.size() > 1)
            {
                next.atoms.push_back(line.atoms.back());
                line.atoms.pop_back();
            }
            while (line.atoms.size() > 1 && NoLineEnd(line.atoms.back().sjis))
            {
                next.atoms.insert(next.atoms.begin(), line.atoms.back());
                line.atoms.pop_back();
            }
            while (!line.atoms.empty() && line.atoms.back().space) line.atoms.pop_back();
            line.width = 0;
            for (const Atom &x : line.atoms) line.width += x.width;
            lines.push_back(line);
            line = next;
            line.width = 0;
            for (const Atom &x : line.atoms) line.width += x.width;
            if (a.space) continue;
        }
        if (a.width > widthOf(lines.size())) Fail("a word is wider than its line: %s", a.sjis.c_str());
        line.atoms.push_back(a);
        line.width += a.width;
    }
    if (!line.atoms.empty()) lines.push_back(line);
    return lines;
}

// Draws one line with its left edge at x and its baseline at `baseline`.
static void DrawLine(Canvas &c, const Line &line, int x, int baseline)
{
    size_t i = 0;
    while (i < line.atoms.size())
    {
        const Style &s = line.atoms[i].style;
        std::string run;
        int width = 0;
        size_t j = i;
        while (j < line.atoms.size() && line.atoms[j].style.Key().face == s.Key().face &&
               line.atoms[j].style.bold == s.bold && line.atoms[j].style.colour == s.colour &&
               line.atoms[j].style.sizeMm == s.sizeMm)
        {
            run += line.atoms[j].sjis;
            width += line.atoms[j].width;
            j++;
        }
        c.Text(x, baseline, s.Key(), s.colour, run);
        x += width;
        i = j;
    }
}

// ---------------------------------------------------------------- the page

static const COLORREF kInk = RGB(0x20, 0x20, 0x20);
static const COLORREF kAccent = RGB(0x1F, 0x3F, 0x6F);
static const COLORREF kMark = RGB(0xD0, 0x20, 0x20);
static const COLORREF kRule = RGB(0x90, 0x98, 0xA8);

struct Page
{
    Canvas c;
    int number = 0;
    int y = Px(kTop);    // top of the next block
    int floatBottom = 0; // a floating picture occupies the right side down to here
    int floatLeft = 0;   // ... from this x
    // The last picture placed, for marks and frames on it.
    int picX = 0, picY = 0, picW = 0, picH = 0, picSrcW = 1, picSrcH = 1;

    int ContentLeft() const
    {
        return Px(kLeft);
    }
    int ContentRight() const
    {
        return Px(kRight);
    }

    void Clear()
    {
        if (floatBottom > y) y = floatBottom;
        floatBottom = 0;
    }
    // Text past the bottom margin is still drawn, so that the page can be looked at, but the page fails.
    void Need(int height)
    {
        double over = (y + height - Px(kBottom)) / kPxPerMm;
        if (over > overflowMm) overflowMm = over;
    }
    double overflowMm = 0;

    // A paragraph from `indent` mm, with an optional hanging label (bullet or number).
    void Paragraph(const std::string &text, const Style &style, double indentMm, const std::string &label,
                   double spacing = 1.55)
    {
        std::vector<Atom> atoms = MakeAtoms(text, style);
        int left = ContentLeft() + Px(indentMm);
        int lineHeight = (int)lround(Px(style.sizeMm) * spacing);
        int ascent = gFonts.Ascent(style.Key());
        auto right = [&](size_t n) {
            int top = y + (int)n * lineHeight;
            return (top < floatBottom) ? floatLeft - Px(4) : ContentRight();
        };
        std::vector<Line> lines = BreakLines(atoms, [&](size_t n) { return right(n) - left; });
        Need((int)lines.size() * lineHeight);
        if (!label.empty())
        {
            Style ls = style;
            ls.bold = true;
            ls.colour = kAccent;
            c.Text(left - Px(indentMm > 5 ? 5.5 : 4), y + ascent, ls.Key(), ls.colour, ToShiftJis(label));
        }
        for (const Line &line : lines)
        {
            DrawLine(c, line, left, y + ascent);
            y += lineHeight;
        }
    }

    void Title(const std::string &text)
    {
        int top = y, height = Px(13);
        c.Fill(ContentLeft(), top, ContentRight(), top + height, kAccent);
        c.Fill(ContentLeft(), top + height, ContentRight(), top + height + Px(0.8), RGB(0xE0, 0xA0, 0x20));
        Style s;
        s.sizeMm = 7;
        s.bold = true;
        s.colour = RGB(255, 255, 255);
        int ascent = gFonts.Ascent(s.Key());
        c.Text(ContentLeft() + Px(4), top + (height - Px(7)) / 2 + ascent - Px(0.6), s.Key(), s.colour,
               ToShiftJis(text));
        y = top + height + Px(6);
    }

    void Section(const std::string &text)
    {
        Clear();
        y += Px(3);
        Style s;
        s.sizeMm = 5;
        s.bold = true;
        s.colour = kAccent;
        Need(Px(10));
        int ascent = gFonts.Ascent(s.Key());
        c.Fill(ContentLeft(), y, ContentLeft() + Px(1.6), y + Px(6.2), RGB(0xE0, 0xA0, 0x20));
        c.Text(ContentLeft() + Px(3.5), y + ascent + Px(0.4), s.Key(), s.colour, ToShiftJis(text));
        y += Px(7.2);
        c.Fill(ContentLeft(), y, ContentRight(), y + Px(0.35), kRule);
        y += Px(3);
    }

    void Sub(const std::string &text)
    {
        y += Px(1.5);
        Style s;
        s.sizeMm = 4;
        s.bold = true;
        s.colour = kAccent;
        Paragraph("■ " + text, s, 0, "", 1.5);
        y += Px(0.5);
    }

    // A framed box of text with a label: hints and cautions.
    void Note(const std::string &label, const std::string &text, COLORREF fill, COLORREF border)
    {
        Clear();
        Style s;
        s.sizeMm = 3.3;
        std::vector<Atom> atoms = MakeAtoms(text, s);
        Style ls = s;
        ls.bold = true;
        ls.colour = border;
        int labelWidth = gFonts.Width(ls.Key(), ToShiftJis(label).data(), (int)ToShiftJis(label).size()) + Px(3);
        int left = ContentLeft() + Px(3) + labelWidth, right = ContentRight() - Px(3);
        std::vector<Line> lines = BreakLines(atoms, [&](size_t) { return right - left; });
        int lineHeight = (int)lround(Px(s.sizeMm) * 1.55);
        int height = (int)lines.size() * lineHeight + Px(4);
        Need(height);
        c.Fill(ContentLeft(), y, ContentRight(), y + height, fill);
        c.Fill(ContentLeft(), y, ContentLeft() + Px(1.2), y + height, border);
        int ascent = gFonts.Ascent(s.Key());
        int top = y + Px(2);
        c.Text(ContentLeft() + Px(3), top + ascent, ls.Key(), ls.colour, ToShiftJis(label));
        for (const Line &line : lines)
        {
            DrawLine(c, line, left, top + ascent);
            top += lineHeight;
        }
        y += height + Px(3);
    }

    void PictureBlock(const std::string &name, double widthMm, const std::string &align)
    {
        const Picture &p = LoadPicture(name);
        int w = Px(widthMm), h = (int)lround((double)w * p.height / p.width);
        int x;
        bool floating = align == "float";
        if (!floating) Clear();
        if (floating || align == "right")
            x = ContentRight() - w;
        else if (align == "left")
            x = ContentLeft();
        else
            x = ContentLeft() + (ContentRight() - ContentLeft() - w) / 2;
        Need(h + Px(2));
        int top = y + Px(1);
        c.PushClip(x, top, x + w, top + h);
        SetStretchBltMode(c.dc, COLORONCOLOR);
        if (StretchDIBits(c.dc, x, top, w, h, 0, 0, p.width, p.height, p.bits, p.info, DIB_RGB_COLORS, SRCCOPY) <= 0)
            Fail("picture %s not recorded", name.c_str());
        c.PopClip();
        c.Frame(x - Px(0.3), top - Px(0.3), x + w + Px(0.3), top + h + Px(0.3), kRule, Px(0.3));
        picX = x, picY = top, picW = w, picH = h, picSrcW = p.width, picSrcH = p.height;
        if (floating)
        {
            floatLeft = x;
            floatBottom = top + h + Px(4);
        }
        else
        {
            y = top + h + Px(3);
        }
    }

    int PicX(double px) const
    {
        return picX + (int)lround(px * picW / picSrcW);
    }
    int PicY(double py) const
    {
        return picY + (int)lround(py * picH / picSrcH);
    }

    // A numbered disc, centred on (x, y).
    void Mark(int n, int x, int y0)
    {
        int r = Px(2.1);
        c.Ellipse(x - r, y0 - r, x + r, y0 + r, kMark, RGB(255, 255, 255), Px(0.35));
        Style s;
        s.sizeMm = 2.9;
        s.bold = true;
        std::string digits = std::to_string(n);
        int w = gFonts.Width(s.Key(), digits.data(), (int)digits.size());
        c.Text(x - w / 2, y0 + gFonts.Ascent(s.Key()) - Px(2.9) / 2 - Px(0.2), s.Key(), RGB(255, 255, 255), digits);
    }

    void Caption(const std::string &text)
    {
        Style s;
        s.sizeMm = 2.9;
        s.colour = RGB(0x50, 0x50, 0x50);
        std::vector<Atom> atoms = MakeAtoms(text, s);
        int width = 0;
        for (const Atom &a : atoms) width += a.width;
        int x = picX + (picW - width) / 2;
        if (x < ContentLeft()) x = ContentLeft();
        Line line;
        line.atoms = atoms;
        int base = picY + picH + Px(1.5) + gFonts.Ascent(s.Key());
        DrawLine(c, line, x, base);
        if (floatBottom > 0)
            floatBottom += Px(5);
        else
            y = std::max(y, picY + picH + Px(6.5));
    }

    void Footer()
    {
        Style s;
        s.sizeMm = 2.8;
        s.colour = RGB(0x60, 0x60, 0x60);
        int base = Px(kFooter) + gFonts.Ascent(s.Key());
        c.Fill(ContentLeft(), Px(kFooter) - Px(2), ContentRight(), Px(kFooter) - Px(2) + Px(0.25), kRule);
        c.Text(ContentLeft(), base, s.Key(), s.colour, ToShiftJis("タルミク使用方法"));
        std::string label = std::to_string(number) + " / 11";
        int w = gFonts.Width(s.Key(), label.data(), (int)label.size());
        c.Text(ContentRight() - w, base, s.Key(), s.colour, label);
    }
};

// ---------------------------------------------------------------- the description's syntax

static std::vector<std::string> Split(const std::string &line)
{
    // Words separated by blanks; "quoted text" is one word.
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size())
    {
        while (i < line.size() && line[i] == ' ') i++;
        if (i >= line.size()) break;
        if (line[i] == '"')
        {
            size_t end = line.find('"', i + 1);
            if (end == std::string::npos) Fail("unclosed quote");
            words.push_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
        }
        else
        {
            size_t end = line.find(' ', i);
            if (end == std::string::npos) end = line.size();
            words.push_back(line.substr(i, end - i));
            i = end;
        }
    }
    return words;
}

static double Number(const std::string &s)
{
    char *end;
    double v = strtod(s.c_str(), &end);
    if (end == s.c_str() || *end) Fail("not a number: %s", s.c_str());
    return v;
}

// Options of a figure command: key=value words after the positional ones.
static std::string Option(const std::vector<std::string> &w, const char *key, const char *fallback)
{
    std::string prefix = std::string(key) + "=";
    for (const std::string &s : w)
        if (s.compare(0, prefix.size(), prefix) == 0) return s.substr(prefix.size());
    return fallback;
}
static bool Flag(const std::vector<std::string> &w, const char *flag)
{
    for (const std::string &s : w)
        if (s == flag) return true;
    return false;
}

// One command of a drawn figure; coordinates in mm from the figure's top-left corner.
static void FigureCommand(Page &p, int ox, int oy, const std::vector<std::string> &w)
{
    auto X = [&](size_t i) { return ox + Px(Number(w.at(i))); };
    auto Y = [&](size_t i) { return oy + Px(Number(w.at(i))); };
    const std::string &op = w[0];
    Style s;
    s.sizeMm = Number(Option(w, "size", "3.2"));
    s.bold = Flag(w, "bold");
    if (Flag(w, "fixed")) s.face = FACE_FIXED;
    s.colour = ParseColour(Option(w, "color", "202020"));
    if (op == "box")
    {
        int l = X(1), t = Y(2), r = l + Px(Number(w.at(3))), b = t + Px(Number(w.at(4)));
        std::string fill = Option(w, "fill", ""), line = Option(w, "line", "");
        if (!fill.empty()) p.c.Fill(l, t, r, b, ParseColour(fill));
        if (!line.empty()) p.c.Frame(l, t, r, b, ParseColour(line), Px(Number(Option(w, "width", "0.3"))));
    }
    else if (op == "text" || op == "ctext")
    {
        // text X Y "…": left edge at X; ctext X Y W "…": centred in the width W. Y is the text's top.
        std::string sjis = ToShiftJis(w.at(op == "text" ? 3 : 4));
        int x = X(1);
        if (op == "ctext") x += (Px(Number(w.at(3))) - gFonts.Width(s.Key(), sjis.data(), (int)sjis.size())) / 2;
        p.c.Text(x, Y(2) + gFonts.Ascent(s.Key()), s.Key(), s.colour, sjis);
    }
    else if (op == "para")
    {
        // para X Y W "…": wrapped text in the width W
        std::vector<Atom> atoms = MakeAtoms(w.at(4), s);
        std::vector<Line> lines = BreakLines(atoms, [&](size_t) { return Px(Number(w.at(3))); });
        int top = Y(2);
        for (const Line &line : lines)
        {
            DrawLine(p.c, line, X(1), top + gFonts.Ascent(s.Key()));
            top += (int)lround(Px(s.sizeMm) * 1.45);
        }
    }
    else if (op == "line" || op == "arrow")
    {
        COLORREF colour = ParseColour(Option(w, "color", "202020"));
        int width = Px(Number(Option(w, "width", "0.35")));
        if (op == "line")
            p.c.Line(X(1), Y(2), X(3), Y(4), colour, width);
        else
            p.c.Arrow(X(1), Y(2), X(3), Y(4), colour, width);
    }
    else if (op == "mark")
    {
        p.Mark((int)Number(w.at(1)), X(2), Y(3));
    }
    else if (op == "picture")
    {
        // picture NAME X Y W: a picture inside the figure
        const Picture &pic = LoadPicture(w.at(1));
        int x = X(2), y = Y(3), wd = Px(Number(w.at(4))), ht = (int)lround((double)wd * pic.height / pic.width);
        p.c.PushClip(x, y, x + wd, y + ht);
        SetStretchBltMode(p.c.dc, COLORONCOLOR);
        if (StretchDIBits(p.c.dc, x, y, wd, ht, 0, 0, pic.width, pic.height, pic.bits, pic.info, DIB_RGB_COLORS,
                          SRCCOPY) <= 0)
            Fail("picture %s not recorded", w[1].c_str());
        p.c.PopClip();
        p.c.Frame(x - Px(0.3), y - Px(0.3), x + wd + Px(0.3), y + ht + Px(0.3), kRule, Px(0.3));
        p.picX = x, p.picY = y, p.picW = wd, p.picH = ht, p.picSrcW = pic.width, p.picSrcH = pic.height;
    }
    else
    {
        Fail("unknown figure command %s", op.c_str());
    }
}

static std::string Trim(const std::string &s)
{
    size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

static void Table(Page &p, const std::vector<double> &widths, const std::vector<std::vector<std::string>> &rows)
{
    p.Clear();
    Style s;
    s.sizeMm = 3.2;
    int lineHeight = (int)lround(Px(s.sizeMm) * 1.5), pad = Px(1.6);
    int ascent = gFonts.Ascent(s.Key());
    for (size_t r = 0; r < rows.size(); r++)
    {
        Style rs = s;
        if (r == 0) rs.bold = true;
        std::vector<std::vector<Line>> cells;
        size_t most = 1;
        for (size_t k = 0; k < widths.size(); k++)
        {
            std::string text = k < rows[r].size() ? rows[r][k] : "";
            int room = Px(widths[k]) - 2 * pad;
            cells.push_back(BreakLines(MakeAtoms(text, rs), [&](size_t) { return room; }));
            most = std::max(most, cells.back().size());
        }
        int height = (int)most * lineHeight + 2 * pad - Px(0.6);
        p.Need(height);
        int x = p.ContentLeft();
        for (size_t k = 0; k < widths.size(); k++)
        {
            int right = x + Px(widths[k]);
            if (r == 0) p.c.Fill(x, p.y, right, p.y + height, RGB(0xDC, 0xE6, 0xF2));
            p.c.Frame(x, p.y, right + Px(0.25), p.y + height + Px(0.25), kRule, Px(0.25));
            int top = p.y + pad;
            for (const Line &line : cells[k])
            {
                DrawLine(p.c, line, x + pad, top + ascent);
                top += lineHeight;
            }
            x = right;
        }
        p.y += height;
    }
    p.y += Px(4);
}

static void Typeset(Page &p, const std::vector<std::string> &source)
{
    std::string paragraph, paragraphLabel;
    double paragraphIndent = 0;
    Style body;
    auto flush = [&]() {
        if (paragraph.empty()) return;
        p.Paragraph(paragraph, body, paragraphIndent, paragraphLabel);
        p.y += Px(paragraphLabel.empty() ? 1.6 : 0.6);
        paragraph.clear();
        paragraphLabel.clear();
        paragraphIndent = 0;
    };
    for (size_t i = 0; i < source.size(); i++)
    {
        gSourceLine = (int)i + 1;
        std::string line = Trim(source[i]);
        if (line.empty())
        {
            flush();
            continue;
        }
        if (line[0] == ';') continue; // a comment
        if (line.compare(0, 2, "# ") == 0)
        {
            flush();
            p.Title(line.substr(2));
            continue;
        }
        if (line.compare(0, 3, "## ") == 0)
        {
            flush();
            p.Section(line.substr(3));
            continue;
        }
        if (line.compare(0, 4, "### ") == 0)
        {
            flush();
            p.Sub(line.substr(4));
            continue;
        }
        if (line.compare(0, 2, "> ") == 0)
        {
            flush();
            p.Note("ヒント", line.substr(2), RGB(0xFF, 0xF6, 0xD8), RGB(0xC0, 0x8A, 0x00));
            continue;
        }
        if (line.compare(0, 2, "! ") == 0)
        {
            flush();
            p.Note("注意", line.substr(2), RGB(0xFC, 0xE8, 0xE6), RGB(0xB8, 0x30, 0x30));
            continue;
        }
        if (line.compare(0, 2, "- ") == 0)
        {
            flush();
            paragraph = line.substr(2);
            paragraphLabel = "・";
            paragraphIndent = 4.5;
            continue;
        }
        if (line.size() > 3 && isdigit((unsigned char)line[0]) && line.find(". ") != std::string::npos &&
            line.find(". ") < 3)
        {
            flush();
            size_t dot = line.find(". ");
            paragraph = line.substr(dot + 2);
            paragraphLabel = line.substr(0, dot + 1);
            paragraphIndent = 6;
            continue;
        }
        if (line[0] == '@')
        {
            flush();
            std::vector<std::string> w = Split(line.substr(1));
            if (w.empty()) Fail("empty command");
            const std::string &op = w[0];
            if (op == "picture")
            {
                p.PictureBlock(w.at(1), Number(w.at(2)), w.size() > 3 ? w[3] : "center");
            }
            else if (op == "mark")
            {
                p.Mark((int)Number(w.at(1)), p.PicX(Number(w.at(2))), p.PicY(Number(w.at(3))));
            }
            else if (op == "frame")
            {
                // frame X Y W H: a red outline on the last picture, in its own pixels
                double x = Number(w.at(1)), y = Number(w.at(2));
                p.c.Frame(p.PicX(x), p.PicY(y), p.PicX(x + Number(w.at(3))), p.PicY(y + Number(w.at(4))), kMark,
                          Px(0.5));
            }
            else if (op == "caption")
            {
                p.Caption(Trim(line.substr(strlen("@caption"))));
            }
            else if (op == "space")
            {
                p.y += Px(Number(w.at(1)));
            }
            else if (op == "clear")
            {
                p.Clear();
            }
            else if (op == "figure")
            {
                // figure HEIGHT … end: drawn with the figure commands, across the content width
                p.Clear();
                int height = Px(Number(w.at(1)));
                p.Need(height);
                int ox = p.ContentLeft(), oy = p.y;
                p.c.PushClip(ox - Px(1), oy, p.ContentRight() + Px(1), oy + height);
                for (i++; i < source.size(); i++)
                {
                    gSourceLine = (int)i + 1;
                    std::string fl = Trim(source[i]);
                    if (fl == "@end") break;
                    if (fl.empty() || fl[0] == ';') continue;
                    FigureCommand(p, ox, oy, Split(fl));
                }
                p.c.PopClip();
                p.y += height + Px(3);
            }
            else if (op == "table")
            {
                std::vector<double> widths;
                for (size_t k = 1; k < w.size(); k++) widths.push_back(Number(w[k]));
                std::vector<std::vector<std::string>> rows;
                for (i++; i < source.size(); i++)
                {
                    gSourceLine = (int)i + 1;
                    std::string tl = Trim(source[i]);
                    if (tl == "@end") break;
                    if (tl.empty() || tl[0] != '|') Fail("a table row starts with |");
                    std::vector<std::string> cells;
                    size_t a = 1;
                    for (size_t b; (b = tl.find(" |", a)) != std::string::npos; a = b + 2)
                        cells.push_back(Trim(tl.substr(a, b - a)));
                    rows.push_back(cells);
                }
                Table(p, widths, rows);
            }
            else
            {
                Fail("unknown command @%s", op.c_str());
            }
            continue;
        }
        // Lines of one paragraph join without a blank: Japanese has no spaces between words.
        if (!paragraph.empty() && isalnum((unsigned char)paragraph.back()) && isalnum((unsigned char)line[0]))
            paragraph += ' ';
        paragraph += line;
    }
    gSourceLine = (int)source.size();
    flush();
}

// ---------------------------------------------------------------- the metafile

static void Put32(std::vector<BYTE> &b, size_t at, DWORD v)
{
    memcpy(&b[at], &v, 4);
}
static DWORD Get32(const BYTE *p)
{
    DWORD v;
    memcpy(&v, p, 4);
    return v;
}

// GDI's record of the page, made canonical: the basic 88-byte header without a description, the
// page's device and frame, the widest bounds, and text as ANSI (Shift-JIS) records, which GDI itself
// records as Unicode.
static std::vector<BYTE> Canonical(const std::vector<BYTE> &in)
{
    if (in.size() < 88 || Get32(&in[0]) != EMR_HEADER) Fail("GDI made no metafile");
    std::vector<BYTE> out(in.begin(), in.begin() + 88);
    Put32(out, 4, 88); // nSize
    const LONG bounds[4] = {-32768, -32768, 32766, 32766};
    const LONG frame[4] = {0, 0, kPageWidthMm * 100, kPageHeightMm * 100};
    memcpy(&out[8], bounds, 16);
    memcpy(&out[24], frame, 16);
    Put32(out, 60, 0); // nDescription
    Put32(out, 64, 0); // offDescription
    const LONG device[4] = {kDeviceWidth, kDeviceHeight, kPageWidthMm, kPageHeightMm};
    memcpy(&out[72], device, 16); // szlDevice, szlMillimeters
    size_t at = Get32(&in[4]);
    while (at + 8 <= in.size())
    {
        DWORD type = Get32(&in[at]), size = Get32(&in[at + 4]);
        if (size < 8 || at + size > in.size()) Fail("GDI made a damaged record");
        const BYTE *r = &in[at];
        if (type == EMR_EXTTEXTOUTW)
        {
            DWORD chars = Get32(r + 44), offString = Get32(r + 48), offDx = Get32(r + 72), options = Get32(r + 52);
            if (options & ETO_PDY) Fail("unexpected text record");
            std::string sjis;
            std::vector<DWORD> dx;
            for (DWORD k = 0; k < chars; k++)
            {
                WCHAR wc;
                memcpy(&wc, r + offString + 2 * k, 2);
                char bytes[2];
                BOOL usedDefault = FALSE;
                int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &wc, 1, bytes, 2, "?", &usedDefault);
                if (n <= 0 || usedDefault) Fail("text record without a Shift-JIS form");
                sjis.append(bytes, n);
                dx.push_back(offDx ? Get32(r + offDx + 4 * k) : 0);
                if (n == 2) dx.push_back(0); // a double-byte character's advance sits on its lead byte
            }
            size_t cbString = (sjis.size() + 3) & ~(size_t)3;
            size_t newSize = 76 + cbString + 4 * dx.size();
            size_t start = out.size();
            out.resize(start + newSize, 0);
            memcpy(&out[start], r, 76);
            Put32(out, start, EMR_EXTTEXTOUTA);
            Put32(out, start + 4, (DWORD)newSize);
            Put32(out, start + 44, (DWORD)sjis.size());
            Put32(out, start + 48, 76);
            Put32(out, start + 72, (DWORD)(76 + cbString));
            memcpy(&out[start + 76], sjis.data(), sjis.size());
            for (size_t k = 0; k < dx.size(); k++) Put32(out, start + 76 + cbString + 4 * k, dx[k]);
        }
        else
        {
            out.insert(out.end(), r, r + size);
        }
        at += size;
        if (type == EMR_EOF) break;
    }
    Put32(out, 48, (DWORD)out.size()); // nBytes
    return out;
}

static std::vector<std::string> ReadLines(const char *path)
{
    FILE *f = fopen(path, "rb");
    if (!f) Fail("cannot open %s", path);
    std::vector<std::string> lines;
    std::string line;
    int ch;
    while ((ch = fgetc(f)) != EOF)
    {
        if (ch == '\n')
        {
            lines.push_back(line);
            line.clear();
        }
        else
        {
            line += (char)ch;
        }
    }
    if (!line.empty()) lines.push_back(line);
    fclose(f);
    return lines;
}

static void WriteFile(const char *path, const void *data, size_t cb)
{
    FILE *f = fopen(path, "wb");
    if (!f || fwrite(data, 1, cb, f) != cb) Fail("cannot write %s", path);
    fclose(f);
}

static int MakePage(const char *description, const char *pictureDir, const char *outPath)
{
    gSourceName = description;
    gPictureDir = pictureDir;
    const char *base = strrchr(description, '\\');
    int number = atoi(base ? base + 1 : description);
    if (number < 1 || number > 11) Fail("the file name gives the page number, 01 to 11");

    // Recorded against the screen; the canonical header then states the page's own device, in whose
    // pixels every coordinate is given (MM_TEXT), so the reference only serves the recording.
    HDC reference = GetDC(nullptr);
    RECT frame = {0, 0, kPageWidthMm * 100, kPageHeightMm * 100};
    HDC dc = CreateEnhMetaFileA(reference, nullptr, &frame, nullptr);
    if (!dc) Fail("CreateEnhMetaFile failed");
    gFonts.measure = CreateCompatibleDC(nullptr);
    SetMapMode(gFonts.measure, MM_TEXT);

    SetMapMode(dc, MM_TEXT);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
    SetTextColor(dc, kInk);

    Page page;
    page.c.dc = dc;
    page.c.textColour = kInk;
    page.number = number;
    Typeset(page, ReadLines(description));
    page.Footer();
    int status = 0;
    if (page.overflowMm > 0)
    {
        fprintf(stderr, "pagemaker: %s: page %d is full: %.1f mm too long\n", description, number, page.overflowMm);
        status = 1;
    }

    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    UINT cb = GetEnhMetaFileBits(emf, 0, nullptr);
    std::vector<BYTE> bits(cb);
    GetEnhMetaFileBits(emf, cb, bits.data());
    DeleteEnhMetaFile(emf);
    ReleaseDC(nullptr, reference);
    std::vector<BYTE> page_bits = Canonical(bits);
    // The result must stand on its own as a metafile.
    HENHMETAFILE check = SetEnhMetaFileBits((UINT)page_bits.size(), page_bits.data());
    if (!check) Fail("the canonical metafile is not accepted by GDI");
    DeleteEnhMetaFile(check);
    WriteFile(outPath, page_bits.data(), page_bits.size());
    printf("%s: %u bytes, %u records\n", outPath, (unsigned)page_bits.size(), (unsigned)Get32(&page_bits[52]));
    return status;
}

// Plays a page into a white bitmap `width` pixels wide, as a printer would, and saves it as BMP.
static int RenderPage(const char *emfPath, const char *outPath, int width)
{
    gSourceName = emfPath;
    HENHMETAFILE emf = GetEnhMetaFileA(emfPath);
    if (!emf) Fail("cannot read the metafile");
    int height = (int)lround((double)width * kPageHeightMm / kPageWidthMm);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void *pixels = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!bitmap) Fail("no bitmap");
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    PlayEnhMetaFile(dc, emf, &all);
    GdiFlush();
    DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + stride * height;
    FILE *f = fopen(outPath, "wb");
    if (!f) Fail("cannot write %s", outPath);
    fwrite(&fh, sizeof fh, 1, f);
    fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
    fwrite(pixels, 1, stride * height, f);
    fclose(f);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DeleteEnhMetaFile(emf);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 5 && strcmp(argv[1], "page") == 0) return MakePage(argv[2], argv[3], argv[4]);
    if (argc == 5 && strcmp(argv[1], "render") == 0) return RenderPage(argv[2], argv[3], atoi(argv[4]));
    fprintf(stderr, "usage: pagemaker page DESCRIPTION PICTURES OUT.emf | render PAGE.emf OUT.bmp WIDTH\n");
    return 2;
}
