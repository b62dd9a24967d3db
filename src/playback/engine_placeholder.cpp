// Keeps the engine library non-empty while it has no other sources.
namespace zv { int engineLibraryAnchor = 0; }
