// Shared test helpers are added here.
