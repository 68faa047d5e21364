dim s
s = "a" & "b"
