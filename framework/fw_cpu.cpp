// The processor query behind the MMX check. On x86 the processor is asked
// through CPUID; elsewhere the 64-bit integer SIMD the demo relies on is a given.
#include "framework/fw_internal.h"
#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>

// A 32-bit processor has CPUID exactly when bit 21 of EFLAGS (the ID flag)
// can be changed: flip it, read it back, compare. The flag stays as the test
// set it. Every x86-64 processor has CPUID.
static bool fw_cpu_has_cpuid() {
#if defined(__i386__)
    uint32_t before = 0, after = 0;
    __asm__ volatile(
        "pushfl\n\t"
        "popl %0\n\t"
        "movl %0, %1\n\t"
        "xorl $0x200000, %1\n\t"
        "pushl %1\n\t"
        "popfl\n\t"
        "pushfl\n\t"
        "popl %1\n\t"
        : "=&r"(before), "=&r"(after)
        :
        : "cc");
    return ((before ^ after) & 0x200000u) != 0;
#else
    return true;
#endif
}
#endif

bool fw_cpu_has_mmx() {
#if defined(__i386__) || defined(__x86_64__)
    if (!fw_cpu_has_cpuid()) return false;
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid(1, eax, ebx, ecx, edx);
    return (edx & 0x800000u) != 0;
#else
    return true;
#endif
}

bool (*fw_query_mmx)() = fw_cpu_has_mmx;
