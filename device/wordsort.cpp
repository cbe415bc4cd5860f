// filled in by the formatter work
