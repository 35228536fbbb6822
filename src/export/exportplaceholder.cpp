// Replaced as this library gains its sources.
