# The checksum and cipher benchmarks compare against zlib and OpenSSL; only this program links them.
find_package(ZLIB REQUIRED)
find_package(OpenSSL REQUIRED)
target_link_libraries(${name} PRIVATE ZLIB::ZLIB OpenSSL::Crypto)
