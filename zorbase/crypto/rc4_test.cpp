#include <zorbase/crypto/rc4.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <zorbase/crypto/internal/rc4_core.h>
#include <zorbase/crypto/internal/test_hex.h>

using zb::crypto::internal::FromHex;
using zb::crypto::internal::ToHex;

namespace {

std::string Rc4Hex(const std::string& key, const std::string& text) {
  rc4_key k;
  prepare_key(reinterpret_cast<const unsigned char*>(key.data()),
              static_cast<unsigned short>(key.size()), &k);
  std::vector<unsigned char> buf(text.begin(), text.end());
  rc4(buf.data(), buf.size(), &k);
  return ToHex(buf.data(), buf.size());
}

}  // namespace

SUITE(rc4) {
  TEST(PublishedVectors) {
    CHECK_EQUAL("bbf316e8d940af0ad3", Rc4Hex("Key", "Plaintext"));
    CHECK_EQUAL("1021bf0420", Rc4Hex("Wiki", "pedia"));
    CHECK_EQUAL("45a01f645fc35b383552544b9bf5", Rc4Hex("Secret", "Attack at dawn"));
    // RFC 6229, 40-bit key 0x0102030405, key stream bytes 0 to 31.
    auto key = FromHex("0102030405");
    CHECK_EQUAL(
        "b2396305f03dc027ccc3524a0a1118a86982944f18fc82d589c403a47a0d0919",
        Rc4Hex(std::string(key.begin(), key.end()), std::string(32, '\0')));
  }

  TEST(SuccessiveCallsContinueTheStreamAndTheTwoLoopsAgree) {
    std::mt19937 rng(9);
    std::vector<unsigned char> data(5000);
    for (auto& b : data) b = static_cast<unsigned char>(rng());
    unsigned char keyData[16];
    for (auto& b : keyData) b = static_cast<unsigned char>(rng());
    rc4_key whole, parts, bytes;
    prepare_key(keyData, 16, &whole);
    parts = whole;
    bytes = whole;
    std::vector<unsigned char> a = data, b = data, c = data;
    rc4(a.data(), a.size(), &whole);
    std::size_t cuts[] = {0, 3, 700, 1, 1500, 2796};
    std::size_t pos = 0;
    for (std::size_t n : cuts) {
      rc4(b.data() + pos, n, &parts);
      pos += n;
    }
    zb::crypto::internal::Rc4Bytes(c.data(), c.size(), &bytes);
    CHECK(a == b);
    CHECK(a == c);
    CHECK(std::memcmp(&whole, &parts, sizeof whole) == 0);
    CHECK(std::memcmp(&whole, &bytes, sizeof whole) == 0);
    rc4_key again;
    prepare_key(keyData, 16, &again);
    rc4(a.data(), a.size(), &again);
    CHECK(a == data);
  }

  TEST(EmptyKeyGivesTheIdentityState) {
    rc4_key k;
    std::memset(&k, 0x55, sizeof k);
    prepare_key(nullptr, 0, &k);
    for (int i = 0; i < 256; ++i) CHECK_EQUAL(i, k.state[i]);
    CHECK_EQUAL(0, k.x);
    CHECK_EQUAL(0, k.y);
  }
}
