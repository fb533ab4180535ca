#pragma once
// The entry of a fuzz target. In the fuzzer programs it is libFuzzer's
// LLVMFuzzerTestOneInput; in the native tests the same body is registered under the
// target's name, so the regression test runs every kept finding through exactly the code
// that found it.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace tevfuzz {

using Entry = int (*)(const std::uint8_t* data, std::size_t size);

// The targets compiled into this program, by name.
inline std::map<std::string, Entry>& Targets() {
    static std::map<std::string, Entry> targets;
    return targets;
}

inline bool Register(const char* name, Entry entry) {
    Targets()[name] = entry;
    return true;
}

}  // namespace tevfuzz

#ifdef TEVPNG_FUZZER
#define TEVPNG_FUZZ_TARGET(name) \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
#else
#define TEVPNG_FUZZ_TARGET(name)                                                                   \
    static int name##_entry(const std::uint8_t* data, std::size_t size);                           \
    [[maybe_unused]] static const bool name##_registered = tevfuzz::Register(#name, name##_entry); \
    static int name##_entry(const std::uint8_t* data, std::size_t size)
#endif
