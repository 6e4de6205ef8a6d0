#include <string>

extern "C" void GBtoBIG5(const std::string& text, std::string& result) {
    result = text;
}
