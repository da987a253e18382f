// Runs in the game's module before it starts in the page.
//
// The file system: the content is preloaded at /content (the installed content folder), and the game
// folder /game, where the player's files live (avr.sav, top.dat, main.cfg, exec.vrs), is kept in the
// browser's IndexedDB: read from it before the game starts, and copied back whenever the game has
// replaced a file (Module.persistFiles, called by the file layer after each write's rename).
//
// For tests, aviorra.html?input=URL fetches an input script from the page's own server and runs it
// as --input does (virtual time; its shots are written into the page's file system, where
// Module.readFile gives them back).
(function() {
  var search = typeof location !== 'undefined' ? location.search : '';
  var params = new URLSearchParams(search);
  var input = params.get('input');

  Module['arguments'] = (Module['arguments'] || []).concat(['--game-dir', '/game']);
  if (input) {
    Module['arguments'].push('--input', '/run/input.txt');
  }
  Module['preRun'] = [].concat(Module['preRun'] || []);

  Module['preRun'].push(function() {
    FS.mkdir('/game');
    FS.mount(IDBFS, {}, '/game');
    addRunDependency('aviorra-game-folder');
    FS.syncfs(true, function(error) {
      if (error) {
        err('aviorra: the stored game folder could not be read (' + error + '); starting without it');
      }
      removeRunDependency('aviorra-game-folder');
    });
  });

  if (input) {
    Module['preRun'].push(function() {
      addRunDependency('aviorra-input');
      fetch(input)
        .then(function(response) {
          if (!response.ok) {
            throw new Error(response.status + ' ' + response.statusText);
          }
          return response.text();
        })
        .then(function(text) {
          FS.mkdir('/run');
          FS.writeFile('/run/input.txt', text);
          removeRunDependency('aviorra-input');
        })
        .catch(function(error) {
          err('aviorra: the input script ' + input + ' could not be read: ' + error);
          // The game then reports the missing script as the desktop build does.
          removeRunDependency('aviorra-input');
        });
    });
  }

  // One copy to IndexedDB at a time: a write during a copy asks for one more after it, so the last
  // state always reaches the store. Module.filesStored counts the finished copies (tests wait on it).
  var storing = false;
  var storeAgain = false;
  Module['filesStored'] = 0;
  Module['persistFiles'] = function() {
    if (storing) {
      storeAgain = true;
      return;
    }
    storing = true;
    FS.syncfs(false, function(error) {
      storing = false;
      if (error) {
        err('aviorra: the game folder could not be stored in the browser (' + error + ')');
      } else {
        Module['filesStored']++;
      }
      if (storeAgain) {
        storeAgain = false;
        Module['persistFiles']();
      }
    });
  };
  Module['storeBusy'] = function() {
    return storing || storeAgain;
  };

  Module['readFile'] = function(path) {
    return FS.readFile(path);
  };
})();
