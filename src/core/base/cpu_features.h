#pragma once

// The one question every piece of vector code asks before it runs: which instruction sets
// this processor offers. Each set's kernels live in files of their own, compiled for that set
// alone; the choice between them is made with CpuRuns.

namespace tevpng {

// The instruction sets the vector code is written for, from the baseline up.
enum class SimdLevel { Scalar, Sse2, Ssse3, Avx2, Avx512 };

// Whether this build has x86 vector code and this processor runs code of `level`: for AVX2 and
// AVX-512 also whether the operating system saves the wider registers (Windows XP does not).
// AVX2 counts only together with FMA, AVX-512 only as F with VL. Scalar is always true. The
// processor is asked once.
bool CpuRuns(SimdLevel level);

const char* SimdLevelName(SimdLevel level);

}  // namespace tevpng
