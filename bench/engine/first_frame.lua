-- Marks mpv's first frame on screen the same way zv_engine_bench does: the first playback
-- restart of the file. With script-opts zv-mode=startup mpv quits right there.
local marked = false
local mode = mp.get_opt("zv-mode") or "startup"
mp.register_event("playback-restart", function()
    if marked then return end
    marked = true
    io.stdout:write("FIRST_FRAME\n")
    io.stdout:flush()
    if mode == "startup" then mp.command("quit") end
end)
