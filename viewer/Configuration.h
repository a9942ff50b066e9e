#pragma once

#include "gfx/Bitmap.h"
#include "printing/SupplierParticulars.h"

#include <string>

namespace viewer {

using SupplierParticulars = printing::SupplierParticulars;

// Deployment settings: the statement server, the supplier particulars and the seal picture.
// Read from an INI file; anything the file leaves out keeps its built-in demo value.
struct Configuration
{
    std::string host = "127.0.0.1";
    int port = 1021;
    int connectTimeoutMs = 10000;
    // TLS to the server, its certificate verified against the certificates in `ca` (a PEM file),
    // or the system's trusted ones when `ca` is empty.
    bool tls = false;
    std::string ca;
    SupplierParticulars supplier;
    gfx::Bitmap seal; // 154 x 154, 24 bits

    // The built-in demo deployment.
    static Configuration defaults();
    // The file given, else the user's config folder, else /etc/mirola; defaults when none exists.
    // Throws std::runtime_error when `explicitPath` is given but cannot be read.
    static Configuration load(const std::string& explicitPath = {});
    static Configuration fromFile(const std::string& path);
};

// Our own demo seal: a red circular stamp, 154 x 154 pixels, 24 bits per pixel.
gfx::Bitmap DemoSeal();

} // namespace viewer
