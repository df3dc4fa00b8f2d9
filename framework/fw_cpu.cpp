// The processor query behind the MMX check. On x86 the processor is asked
// through CPUID; elsewhere the 64-bit integer SIMD the demo relies on is a given.
#include "framework/fw_internal.h"
#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

bool fw_cpu_has_mmx() {
#if defined(__i386__) || defined(__x86_64__)
    // __get_cpuid first tests whether the EFLAGS ID bit (21) can be toggled,
    // which on 32-bit processors tells whether CPUID exists at all.
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (edx & 0x800000u) != 0;
#else
    return true;
#endif
}

bool (*fw_query_mmx)() = fw_cpu_has_mmx;
