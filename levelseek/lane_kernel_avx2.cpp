// The lane kernel for x86-64 processors with AVX2: 32-byte vectors. Built
// with -mavx2 and called only when the processor has it.
#define LANE_KERNEL_NAME avx2LaneKernel
#define LANE_KERNEL_INSTRUCTIONS "avx2"
#define LANE_KERNEL_VECTOR_BYTES 32
#define LANE_KERNEL_VECTORS 4
#include "lane_kernel.inc"
