// The SOAP 1.1 messages of the web-service library: the request envelope and the result
// text of an answer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// True for a name usable as the body element: an XML name without ":".
bool IsValidSoapMethod(std::string_view method);
// True when text can travel as element content: valid UTF-8 of characters XML 1.0 allows.
bool IsValidSoapText(std::string_view text);
// text with &, <, > and carriage returns written as references.
std::string EscapeSoapText(std::string_view text);
// The envelope whose body holds the element method with the request text.
std::string BuildSoapEnvelope(std::string_view method, std::string_view request);
// The result text of an answer envelope: the text of the response element's child named
// method + "Result", else of its first child element, else of the response element itself.
// Nothing when the answer is no envelope with a body, or its body holds a fault.
std::optional<std::string> SoapResultText(std::string_view answer, std::string_view method);
