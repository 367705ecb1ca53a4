// A plain http and a self-signed https web server on this machine for the download tests, each
// serving "/body" (100,000 zero bytes), "/downgrade/body" (a redirect to plain http), "/stall/body"
// (four bytes of a promised million, then nothing) and a 404 for anything else. On Linux the test
// program starts them itself, once; under Wine the test runner (tests/windows/wine_run.py) starts
// them beside the program and names them in VELLUMTIDE_TEST_SERVERS.
#pragma once
#include <string>

namespace vt_test {

struct CheckServers {
  std::string plain;       // "http://127.0.0.1:PORT", empty when none could be started
  std::string selfSigned;  // "https://localhost:PORT", empty when none could be started
};

const CheckServers& TheCheckServers();

}  // namespace vt_test
