#pragma once
#include <optional>
#include <string>

// How the templates in res/ spell what they hold. The files are XRC; only
// the part of it the templates use is understood, and anything else is
// refused rather than guessed at, so a template edited beyond it fails its
// test instead of building a different window.

// A pair such as "35,7d" or "820,627": two whole numbers, -1 for "the
// control's own", in dialog units when marked with a trailing d.
struct TemplatePair {
    int x = 0;
    int y = 0;
    bool dialogUnits = false;
};
std::optional<TemplatePair> ParseTemplatePair(const std::string& text);

// A single length such as "139d".
struct TemplateLength {
    int value = 0;
    bool dialogUnits = false;
};
std::optional<TemplateLength> ParseTemplateLength(const std::string& text);

// Style names joined by "|", e.g. "wxTE_READONLY|wxBORDER_SUNKEN"; empty
// text is no style. Unknown names give nothing.
std::optional<long> ParseTemplateStyle(const std::string& text);

// A label as the window shows it: "_" marks the mnemonic (written "&" for
// the toolkit), "__" is one underscore, and \n, \t, \r and \\ are a line
// break, a tab, a carriage return and a backslash; other escapes stay.
std::string TemplateLabel(const std::string& text);

// Dialog units to pixels for a font whose average character is `base`
// pixels wide (horizontal, 4 units to a character) or tall (vertical, 8):
// rounded to the nearest pixel, -1 kept as the toolkit's "default".
enum class DialogAxis { Horizontal, Vertical };
int DialogUnitsToPixels(int units, int base, DialogAxis axis);
