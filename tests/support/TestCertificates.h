#pragma once

#include "tests/support/TestSupport.h"

#include <string>

namespace testsupport {

// Certificates made for one test with the openssl command, in a folder of their own: a CA, and
// PEM certificate and key pairs for 127.0.0.1 and localhost, signed by it unless said otherwise.
struct TestCertificates
{
    struct Pair
    {
        std::string certificate;
        std::string key;
    };

    // False with `error` set when the openssl command fails.
    bool make(std::string& error);

    TempDir dir;
    std::string ca;
    Pair good;       // valid, for 127.0.0.1 and localhost
    Pair renewed;    // another valid one, as a renewal brings
    Pair expired;    // its validity ended a day ago
    Pair wrongName;  // valid, for another host's name
    Pair selfSigned; // valid and for the right names, but signed by itself
};

} // namespace testsupport
