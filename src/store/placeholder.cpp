// Replaced by the settings store and the channel-set file.
