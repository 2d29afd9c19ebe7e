program Main;

begin
end.
