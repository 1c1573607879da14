// Before the program starts, the texture is fetched from beside the page into the program's
// current folder, where the desktop program would find it. A file the server does not have
// (or cannot send) is simply not there, and the program says so as it would on a desktop.
Module.preRun = Module.preRun || [];
Module.preRun.push(function() {
  addRunDependency('water05t.bmp');
  fetch('water05t.bmp', {cache: 'no-cache'})
    .then(function(response) { return response.ok ? response.arrayBuffer() : null; })
    .then(function(bytes) { if (bytes) FS.writeFile('water05t.bmp', new Uint8Array(bytes)); })
    .catch(function(error) { err('water05t.bmp: ' + error); })
    .finally(function() { removeRunDependency('water05t.bmp'); });
});
