#!/usr/bin/python3
"""Pillow's decode time for each file named, in process (no start-up): Image.open(f).load().
Prints the best of 5 as wall time and as CPU time (the machine may be shared)."""
import sys
import time

from PIL import Image

runs = 5
for path in sys.argv[1:]:
    best_wall = best_cpu = None
    for _ in range(runs):
        w0, c0 = time.perf_counter(), time.process_time()
        with Image.open(path) as im:
            im.load()
            size = im.size
        wall, cpu = time.perf_counter() - w0, time.process_time() - c0
        best_wall = wall if best_wall is None else min(best_wall, wall)
        best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
    mp = size[0] * size[1] / 1e6
    print(f"pillow {path}: wall {best_wall * 1000:.1f} ms ({mp / best_wall:.1f} MP/s), "
          f"cpu {best_cpu * 1000:.1f} ms ({mp / best_cpu:.1f} MP/s)")
