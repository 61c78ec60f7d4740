namespace velkor {}
