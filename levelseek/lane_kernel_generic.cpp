// The lane kernel for any processor, with 16-byte vectors: SSE2 on x86-64,
// whatever the compiler makes of them elsewhere.
#define LANE_KERNEL_NAME genericLaneKernel
#define LANE_KERNEL_INSTRUCTIONS "generic"
#define LANE_KERNEL_VECTOR_BYTES 16
#define LANE_KERNEL_VECTORS 4
#include "lane_kernel.inc"
