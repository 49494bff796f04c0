// Where TCP connections are configured: HKLM\SOFTWARE\Tessaly\Rpc. The listener is off until an
// administrator sets TcpEnabled; it speaks TLS only, with the certificate and key files named
// here, and admits only clients that present the access key whose salted hash is kept here.
//   TcpEnabled (DWORD)  TcpAddress (SZ, "0.0.0.0")  TcpPort (DWORD, 51340; 0 picks a free one)
//   CertificateFile, PrivateKeyFile (SZ, PEM)
//   AccessKeyHash (SZ, "sha256:<salt>:<digest>" in hex; what the server admits)
//   AccessKeyFile (SZ; a file of its owner's holding the key this machine's clients present)
//   AccessKey (SZ; an older install's key in plain text: admitted and presented until the server's
//     listener replaces it by its hash)
//   TrustedCertificateFile (SZ, PEM; a client trusts this server certificate, else CertificateFile)
//   ServerStartTimeout (DWORD, ms; how long activation waits for a started server, 0: 30 s)
//   MaxConnections (DWORD; client connections a server holds open at once, 0: 256)
#pragma once

#include <string>
#include <string_view>

namespace tessaly::rpc {

inline constexpr wchar_t kRemoteSettingsKey[] = L"SOFTWARE\\Tessaly\\Rpc";
constexpr unsigned kDefaultTcpPort = 51340;
constexpr unsigned kDefaultMaxConnections = 256;

class CRemoteSettings {
 public:
  static CRemoteSettings Read();
  // Writes every field (tests and an administrator's tool).
  bool Write() const;

  bool enabled = false;
  std::string address = "0.0.0.0";
  unsigned port = kDefaultTcpPort;
  std::string certificateFile;
  std::string privateKeyFile;
  std::string trustedCertificateFile;
  std::string accessKeyHash;
  std::string accessKeyFile;
  std::string legacyAccessKey;  // AccessKey of an older install (Write removes it)
  unsigned serverStartTimeout = 0;
  unsigned maxConnections = kDefaultMaxConnections;

  // Sets the key the server admits: only its salted hash is kept.
  void SetAccessKey(std::string_view key);
  // Whether the server admits offered.
  bool Admits(std::string_view offered) const;
  bool HasAccessKey() const { return !accessKeyHash.empty() || !legacyAccessKey.empty(); }
  // An older install's plain key leaves the database: into an owner-only file that AccessKeyFile
  // names (unless one is named already, so clients here keep presenting it), and its hash.
  void ProtectAccessKey();
  // The key a client presents: AccessKeyFile's first line, else an older install's AccessKey.
  std::string ClientAccessKey() const;
};

// Compares in time that depends only on the lengths, not on where the keys differ.
bool AccessKeysEqual(std::string_view a, std::string_view b);

}  // namespace tessaly::rpc
