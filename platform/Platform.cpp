// Placeholder translation unit until the first backend lands.
