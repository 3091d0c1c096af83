// The prospective cusum surveillance windows live here.
