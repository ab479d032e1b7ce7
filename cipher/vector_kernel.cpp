// The vector kernel, built once for each instruction set in KESTRUNE_ISA with that set enabled:
// portable code whose vectors are as wide as the build allows.

#include <algorithm>
#include <array>
#include <cstdint>
#include <experimental/simd>

#include "cipher/kernel.h"

namespace kestrune::detail {
namespace {

namespace stdx = std::experimental;
using V = stdx::native_simd<char16_t>;
using Eight = stdx::fixed_size_simd<char16_t, 8>;
using Bytes8 = stdx::fixed_size_simd<std::uint8_t, 8>;
static_assert(64 % V::size() == 0);

// Codes 0-0x7F and 0xA0-0xFF are their own characters, so where a character x and its shifted
// code y both lie in one of those ranges, the shift is plain arithmetic: the lower of the two is
// at most span (ASCII), or at least 0xA0 and at most 0xA0 + span - 0x20 (Latin-1). Everything else
// is outside: the high block 0x80-0x9F, the codes the shift carries into or out of it, and refused
// characters. The vector loops shift every lane and fix the outside ones.
template <std::int16_t shift> struct Ranges {
    static constexpr char16_t span = 0x7F - (shift < 0 ? -shift : shift);
    static V::mask_type inside(const V& x, const V& y) {
        const V lower = shift < 0 ? y : x;
        return lower <= V(span) || lower - V(0xA0) <= V(span - 0x20);
    }
};

// The lanes of a mask as bits, lane 0 lowest, through libstdc++'s own conversion, which is one
// movemask instruction where the processor has one. Only libstdc++ ships this header.
template <typename Mask> std::uint64_t bitsOf(const Mask& mask) {
    return mask.__to_bitset().to_ullong();
}

// For each set of eight bits, the bits clear in it in order, and how many there are.
struct Listing {
    std::array<std::array<char16_t, 8>, 256> clear{};
    std::array<std::uint8_t, 256> count{};
};
constexpr Listing kListing = [] {
    Listing listing;
    for (unsigned set = 0; set < 256; ++set) {
        for (char16_t bit = 0; bit < 8; ++bit) {
            if (!(set >> bit & 1)) {
                listing.clear[set][listing.count[set]++] = bit;
            }
        }
    }
    return listing;
}();

// Appends to list, without a branch, offset plus each bit clear in the eight bits of set.
template <std::size_t N>
void appendClear(std::array<char16_t, N>& list, std::size_t& n, std::uint64_t set,
                 std::size_t offset) {
    (Eight(kListing.clear[set].data(), stdx::element_aligned) + Eight(char16_t(offset)))
        .copy_to(list.data() + n, stdx::element_aligned);
    n += kListing.count[set];
}

// Plain ASCII, the common case: shift every lane, watching only whether a character or its
// shifted code left ASCII. True if none did, which leaves nothing to fix.
template <std::int16_t shift>
bool shiftAscii(const char16_t* source, char16_t* target, std::size_t length) {
    V seen(0);
#pragma GCC unroll 4
    for (std::size_t k = 0; k < length; k += V::size()) {
        const V x(source + k, stdx::element_aligned);
        const V y = x + V(static_cast<char16_t>(shift));
        y.copy_to(target + k, stdx::element_aligned);
        seen |= x | y;
    }
    return stdx::all_of(seen < V(0x80));
}

// Any text, in groups of 64 characters, without a branch on the text: shift every lane and note
// which are inside, a bit each; list the bytes of those bits that have a lane outside, then the
// lanes outside in them; look those up. False if any was refused; listedAny tells whether there
// were any.
template <std::int16_t shift>
bool shiftLanes(const char16_t* source, char16_t* target, std::size_t length, bool& listedAny) {
    std::array<std::uint8_t, kBlock / 8> inside;
    std::array<char16_t, kBlock / 8 + 8> bytes; // eight more, as each append writes eight
    std::array<char16_t, kBlock + 8> lanes;
    std::size_t nBytes = 0, nLanes = 0;
    V highest(0);
    for (std::size_t group = 0; group < length / 64; ++group) {
        std::uint64_t bits = 0;
#pragma GCC unroll 8
        for (std::size_t lane = 0; lane < 64; lane += V::size()) {
            const std::size_t k = 64 * group + lane;
            const V x(source + k, stdx::element_aligned);
            const V y = x + V(static_cast<char16_t>(shift));
            y.copy_to(target + k, stdx::element_aligned);
            bits |= bitsOf(Ranges<shift>::inside(x, y)) << lane;
            highest = stdx::max(highest, x);
        }
        // The bits as bytes, lanes 0-7 first, kept; a byte with a lane outside is not all ones.
        const Bytes8 eight([&](auto byte) { return static_cast<std::uint8_t>(bits >> 8 * byte); });
        eight.copy_to(inside.data() + 8 * group, stdx::element_aligned);
        appendClear(bytes, nBytes, bitsOf(eight == Bytes8(0xFF)), 8 * group);
    }
    for (std::size_t j = 0; j < nBytes; ++j) {
        const std::size_t byte = bytes[j];
        appendClear(lanes, nLanes, inside[byte], 8 * byte);
    }
    // A character above the table is refused; below it, the lookups need no bound.
    if (stdx::any_of(highest > V(kHighestMapped))) {
        return false;
    }
    char16_t all = 0;
#pragma GCC unroll 4
    for (std::size_t j = 0; j < nLanes; ++j) {
        target[lanes[j]] = kTable<shift>[source[lanes[j]]];
        all |= target[lanes[j]];
    }
    listedAny = nLanes != 0;
    return all < 0x8000;
}

// Whole groups of 64. Text tends to stay as it was, so ascii, what came before suggests, picks the
// loop, a branch the processor predicts: the ASCII loop, redone by the lanes loop if a character
// was not ASCII; or the lanes loop, until it lists nothing.
template <std::int16_t shift>
bool shiftGroups(const char16_t* source, char16_t* target, std::size_t length, bool& ascii) {
    if (ascii && (ascii = shiftAscii<shift>(source, target, length))) {
        return true;
    }
    bool listedAny = false;
    const bool fine = shiftLanes<shift>(source, target, length, listedAny);
    ascii = !listedAny;
    return fine;
}

} // namespace

// One block. Its last few characters are padded to a group with a letter, which is quicker than
// the scalar loop. Everything is inlined here, so that nothing built for a wider instruction set
// is left out of line for the linker to share with other code.
template <Isa isa, std::int16_t shift>
[[gnu::flatten]] bool shiftVector(const char16_t* source, char16_t* target, std::size_t length,
                                  bool& ascii) {
    const std::size_t whole = length - length % 64;
    bool fine = shiftGroups<shift>(source, target, whole, ascii);
    if (whole < length) {
        std::array<char16_t, 64> padded, shifted;
        padded.fill(u'a');
        std::copy(source + whole, source + length, padded.begin());
        fine &= shiftGroups<shift>(padded.data(), shifted.data(), 64, ascii);
        std::copy_n(shifted.begin(), length - whole, target + whole);
    }
    return fine;
}

template bool shiftVector<Isa::KESTRUNE_ISA, CipherShift>(const char16_t*, char16_t*, std::size_t,
                                                          bool&);
template bool shiftVector<Isa::KESTRUNE_ISA, -CipherShift>(const char16_t*, char16_t*, std::size_t,
                                                           bool&);

} // namespace kestrune::detail
