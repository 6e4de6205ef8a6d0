// The web-service library's exported function. Texts are UTF-8, zero-terminated.
#pragma once

extern "C" {
// Posts request to method of the SOAP 1.1 service at address and writes the text of the
// answer's result element into answerFile. On any failure nothing is written. Never throws.
// Returns one of the CallWebServiceStatus values (callers may ignore it).
__attribute__((visibility("default"))) int CallWebServiceFx(const char* address, const char* method,
                                                            const char* request,
                                                            const char* answerFile);
}

enum CallWebServiceStatus : int {
    CallWebServiceOk = 0,
    CallWebServiceBadArguments = 1,    // a null text, an invalid method name or request text
    CallWebServiceTransportFailed = 2, // no connection, time-out, answer too large
    CallWebServiceHttpError = 3,       // a status outside 200..299
    CallWebServiceBadAnswer = 4,       // not a SOAP envelope with a body, or a fault
    CallWebServiceWriteFailed = 5,     // the answer file cannot be written
    CallWebServiceInternalError = 6,   // anything else (out of memory, ...)
};
