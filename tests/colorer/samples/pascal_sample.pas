program Hello;
{ A brace comment (with brackets) }
var
  I: Integer;
BEGIN
  for I := 1 to 10 do
  begin
    WriteLn('Line ', I); (* old-style comment *)
  end;
  // line comment
End.
