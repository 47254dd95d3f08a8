plumdeck_bench_uses_fake_server(${BENCH_TARGET})
