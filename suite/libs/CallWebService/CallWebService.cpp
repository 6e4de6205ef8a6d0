#include "CallWebService.h"

#include "SoapMessage.h"

#include <cstdio>
#include <cstdlib>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <string>

namespace {

constexpr long DefaultConnectTimeoutMs = 5000;
constexpr long DefaultTotalTimeoutMs = 30000;
constexpr const char* ConnectTimeoutVariable = "STEWARD_WEBSERVICE_CONNECT_TIMEOUT_MS";
constexpr const char* TotalTimeoutVariable = "STEWARD_WEBSERVICE_TIMEOUT_MS";
constexpr std::size_t MaxAnswerBytes = std::size_t{64} << 20;
constexpr long FirstSuccessStatus = 200;
constexpr long LastSuccessStatus = 299;
constexpr const char* UserAgent = "CallWebService/1.0";

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

bool EnsureCurlReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

// A positive number of milliseconds from the environment, else fallback.
long TimeoutFromEnvironment(const char* variable, long fallback) {
    const char* text = std::getenv(variable);
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return (*end == '\0' && value > 0) ? value : fallback;
}

std::size_t CollectAnswer(char* data, std::size_t size, std::size_t count, void* target) {
    auto* answer = static_cast<std::string*>(target);
    const std::size_t bytes = size * count;
    if (answer->size() + bytes > MaxAnswerBytes) {
        return 0; // makes the transfer fail
    }
    answer->append(data, bytes);
    return bytes;
}

HeaderList RequestHeaders(const std::string& method) {
    curl_slist* list = nullptr;
    for (const std::string& header :
         {std::string("Content-Type: text/xml; charset=utf-8"), "SOAPAction: \"" + method + "\"",
          // No "100 continue" round trip: SOAP servers answer the whole request at once.
          std::string("Expect:")}) {
        curl_slist* next = curl_slist_append(list, header.c_str());
        if (next == nullptr) {
            curl_slist_free_all(list);
            return nullptr;
        }
        list = next;
    }
    return HeaderList(list);
}

int Post(const std::string& address, const std::string& method, const std::string& envelope,
         std::string& answer) {
    CurlHandle curl(curl_easy_init());
    HeaderList headers = RequestHeaders(method);
    if (!curl || !headers) {
        return CallWebServiceInternalError;
    }
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, address.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, UserAgent);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, envelope.data());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(envelope.size()));
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                     TimeoutFromEnvironment(ConnectTimeoutVariable, DefaultConnectTimeoutMs));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS,
                     TimeoutFromEnvironment(TotalTimeoutVariable, DefaultTotalTimeoutMs));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, CollectAnswer);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);

    if (curl_easy_perform(handle) != CURLE_OK) {
        return CallWebServiceTransportFailed;
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (status < FirstSuccessStatus || status > LastSuccessStatus) {
        return CallWebServiceHttpError;
    }
    return CallWebServiceOk;
}

int WriteAnswerFile(const char* fileName, const std::string& text) {
    std::FILE* file = std::fopen(fileName, "wb");
    if (file == nullptr) {
        return CallWebServiceWriteFailed;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(fileName); // half an answer must not pass for one
        return CallWebServiceWriteFailed;
    }
    return CallWebServiceOk;
}

int Call(const char* address, const char* method, const char* request, const char* answerFile) {
    if (address == nullptr || method == nullptr || request == nullptr || answerFile == nullptr ||
        !IsValidSoapMethod(method) || !IsValidSoapText(request)) {
        return CallWebServiceBadArguments;
    }
    if (!EnsureCurlReady()) {
        return CallWebServiceInternalError;
    }
    std::string answer;
    if (const int status = Post(address, method, BuildSoapEnvelope(method, request), answer);
        status != CallWebServiceOk) {
        return status;
    }
    const std::optional<std::string> result = SoapResultText(answer, method);
    if (!result) {
        return CallWebServiceBadAnswer;
    }
    return WriteAnswerFile(answerFile, *result);
}

} // namespace

int CallWebServiceFx(const char* address, const char* method, const char* request,
                     const char* answerFile) {
    try {
        return Call(address, method, request, answerFile);
    } catch (...) {
        return CallWebServiceInternalError;
    }
}
