// Placeholder until the project reader lands.
