#pragma once

#include <string>

namespace kestrune {

// What the commands need of a text box. A failed read or write throws; the exception passes
// through the command unchanged.
class TextBox {
public:
    virtual ~TextBox() = default;

    virtual std::u16string text() const = 0;
    virtual void setText(const std::u16string& text) = 0;
};

} // namespace kestrune
