// Runs before the game's module starts in the page: the game folder is the preloaded /game.
Module['arguments'] = (Module['arguments'] || []).concat(['--game-dir', '/game']);
