// What a benchmark reads of its own process: the CPU time of the calling thread and the resident
// memory, as the kernel counts them.
#pragma once

double ThreadCpuSeconds();
long ResidentKilobytes();
