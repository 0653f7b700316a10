// The server's runtime configuration: one GET of an XML document (root
// "hvrp", then "downloader" with "runtime" and "bind"), its values stored in
// a RuntimeConfig, its bound products added to the dependents, and what it
// delivered reported to telemetry.
#ifndef QEL_APP_SERVER_XML_H_
#define QEL_APP_SERVER_XML_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/config_telemetry.h"
#include "app/product_config.h"
#include "app/runtime_config.h"
#include "platform/machine.h"

struct ServerXmlServices {
  MachineArch arch = DetectMachineArch();
  IConfigTelemetry* telemetry = nullptr;  // default: a recorder
  // The machine's client sign for a brand; default: the registry's.
  std::function<std::string(const std::string& brand)> client_sign;
};

// Fetches and reads the runtime document. True in every case: whatever could
// not be fetched or read leaves its values as they were.
bool LoadServerXml(ProductConfig* config,
                   RuntimeConfig* runtime,
                   const ServerXmlServices& services = {});

// Where the document is. With AppID and Channel: beside the 32-bit package,
// "<its address up to the last '/'>/xml/<AppID>_<Channel>.xml". Otherwise the
// service under ServerHost with client_sign (empty when PrivacyPost is "1"),
// product_id, qel (`own_version`), scene_code and platform; every value is
// percent-encoded.
std::string RuntimeDocumentUrl(const ProductConfig& config,
                               const MachineArch& arch,
                               const std::string& client_sign,
                               const std::string& own_version);

// The service's name for the machine: "win_arm64", "win_x64" or "win_x86".
const char* PlatformName(const MachineArch& arch);

// The first three parts of an "A.B.C.D" file version ("%d.%d.%d"); "4.5.14"
// when there is none.
std::string QueryVersionText(const std::string& file_version);

// `url` with "_t=<now>" appended after "?", or "&" when it has a query.
std::string WithTimeParameter(const std::string& url, int64_t now);

// Reads a fetched document into `runtime` and `dependents` (a bound product
// replaces the dependent with its ProductID and goes to the end) and
// registers the bound products with `telemetry`. False when the document has
// no "hvrp" root with a "downloader" child.
bool ReadRuntimeDocument(const std::string& xml,
                         int64_t now,
                         RuntimeConfig* runtime,
                         std::vector<DependentItem>* dependents,
                         IConfigTelemetry* telemetry);

#endif  // QEL_APP_SERVER_XML_H_
