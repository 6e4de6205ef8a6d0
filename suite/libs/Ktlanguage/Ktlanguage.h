// The translator library's exported functions. Texts are UTF-8; "GB" is the simplified
// character form and "BIG5" the traditional (Taiwan) form. Every function delivers its result
// through the result variable and never throws: a text it cannot convert comes back as it was.
#pragma once

#include <string>

extern "C" {
// Simplified to traditional (Taiwan standard, with Taiwan phrases for common words).
void GBtoBIG5(const std::string& text, std::string& result);
// Traditional to simplified.
void BIG5toGB(const std::string& text, std::string& result);
// Character-by-character forms without phrase context: the traditional form of each
// character of text, and the simplified form.
void GetBIG5Data(const std::string& text, std::string& result);
void GetGBData(const std::string& text, std::string& result);
// Orders are kept in the dictionaries themselves; there is nothing to save. Returns 0.
int SaveOrder();
}
