#include "t418-sim/sim_identity.h"

#include <cstdint>

namespace t418::sim {
namespace {

// FNV-1a over the name and a salt, so that each part of the identity has its own digits.
std::uint64_t StableHash(std::string_view name, std::string_view salt) {
  std::uint64_t hash = 14695981039346656037ull;
  auto add = [&](std::string_view text) {
    for (unsigned char c : text) {
      hash ^= c;
      hash *= 1099511628211ull;
    }
  };
  add(salt);
  add(std::string_view("\0", 1));
  add(name);
  return hash;
}

// count decimal digits of the hash (count <= 19).
std::string Digits(std::uint64_t hash, int count) {
  std::string digits(static_cast<std::size_t>(count), '0');
  for (int i = count - 1; i >= 0; --i) {
    digits[static_cast<std::size_t>(i)] = static_cast<char>('0' + hash % 10);
    hash /= 10;
  }
  return digits;
}

bool AllDigits(std::string_view text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return !text.empty();
}

}  // namespace

char LuhnCheckDigit(std::string_view digits) {
  int sum = 0;
  bool twice = true;  // the digit next to the check digit is doubled
  for (auto it = digits.rbegin(); it != digits.rend(); ++it, twice = !twice) {
    int d = *it - '0';
    if (twice) {
      d *= 2;
      if (d > 9) d -= 9;
    }
    sum += d;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

bool LuhnValid(std::string_view digits) {
  return digits.size() >= 2 && AllDigits(digits) &&
         LuhnCheckDigit(digits.substr(0, digits.size() - 1)) == digits.back();
}

SimIdentity IdentityFromName(std::string_view name) {
  SimIdentity identity;
  // A type allocation code of this maker's range, then a serial of twelve digits.
  const std::string imeiBody = "86" + Digits(StableHash(name, "imei"), 12);
  identity.imei = imeiBody + LuhnCheckDigit(imeiBody);
  // Telecom (89), China (86), then an issuer's number.
  const std::string iccidBody = "8986" + Digits(StableHash(name, "iccid"), 15);
  identity.iccid = iccidBody + LuhnCheckDigit(iccidBody);
  identity.sn = "0120" + Digits(StableHash(name, "sn"), 16);
  return identity;
}

std::string CheckImei(std::string_view imei, std::string& warning) {
  if (imei.size() != 15 || !AllDigits(imei)) return "--imei needs 15 digits, not \"" + std::string(imei) + "\"";
  if (!LuhnValid(imei))
    warning = "--imei " + std::string(imei) + ": the last digit is not its check digit (" +
              LuhnCheckDigit(imei.substr(0, 14)) + "); reported as given";
  return {};
}

std::string CheckIccid(std::string_view iccid, std::string& warning) {
  if (iccid.size() < 19 || iccid.size() > 20 || !AllDigits(iccid))
    return "--iccid needs 19 or 20 digits, not \"" + std::string(iccid) + "\"";
  if (iccid.substr(0, 2) != "89")
    warning = "--iccid " + std::string(iccid) + ": an ICCID starts with 89; reported as given";
  return {};
}

std::string CheckSerialNumber(std::string_view sn) {
  bool plain = !sn.empty() && sn.size() <= 32;
  for (char c : sn)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-')) plain = false;
  if (!plain) return "--sn needs 1 to 32 letters, digits or '-', not \"" + std::string(sn) + "\"";
  return {};
}

}  // namespace t418::sim
